// boot_history.h - the boots that the login accounting file remembers.
#ifndef CORVANE_RECORD_BOOT_HISTORY_H
#define CORVANE_RECORD_BOOT_HISTORY_H

#include <vector>

#include "recorder/history/past_boot.h"

// What reading the file found.
enum class history_status {
	read,       // the file was read (it may hold no boot)
	missing,    // there is no such file
	empty,      // the file is empty
	unreadable, // the file cannot be read: error holds the reason
};

// The error of a file that is not a login accounting file: it is shorter
// than one record, or its first record has a type that none has.  No errno
// value is negative.
constexpr int not_login_accounting_file = -1;

// How far a boot record may be dated before a record earlier in the file
// (a clock corrected by a few seconds) before its clock counts as unset.
constexpr int64_t unset_clock_margin = 120;

// The login accounting file of the system.
const char *default_boot_history();

// Reads the boot and shutdown records of the login accounting file at path,
// through the C library's utmpx calls, into boots in file order: each with
// its end (clean after a shutdown record, unclean when the next boot came
// first, unknown for the last), bounded as boot_history.cpp tells.  A file
// that is not a login accounting file is unreadable, with error
// not_login_accounting_file and no boots.
history_status read_boot_history(const char *path, std::vector<past_boot> &boots, int &error);

#endif // CORVANE_RECORD_BOOT_HISTORY_H
