// wtmp_history.h - the boots that the login accounting file remembers.
#ifndef CORVANE_RECORD_WTMP_HISTORY_H
#define CORVANE_RECORD_WTMP_HISTORY_H

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/history/history_status.h"
#include "recorder/history/past_boot.h"

// How far a boot record may be dated before a record earlier in the file
// (a clock corrected by a few seconds) before its clock counts as unset.
constexpr int64_t unset_clock_margin = 120;

// Reads the boot and shutdown records of the login accounting file at path,
// through the C library's utmpx calls, into boots in file order: each with
// its end (clean after a shutdown record, unclean when the next boot came
// first, unknown for the last), bounded as wtmp_history.cpp tells.  A file
// that cannot be read is unreadable, with the message that names path in
// err: so is a file that is not a login accounting file (shorter than one
// record, or its first record of a type that none has), with no boots.
history_status read_wtmp_history(const char *path, std::vector<past_boot> &boots, std::string *err);

#endif // CORVANE_RECORD_WTMP_HISTORY_H
