// boot_ends.h - how each boot ended: the ends file beside the store.
#ifndef CORVANE_RECORD_BOOT_ENDS_H
#define CORVANE_RECORD_BOOT_ENDS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recorder/history/past_boot.h"
#include "recorder/running_boot.h"

// The ends file read: the end of each boot it names, by the boot time its
// record is stored under, and the lines it could not read, kept as they
// were.  A boot it does not name ended in a way nobody saw (or runs still).
struct boot_ends {
	std::map<int64_t, boot_end> ends;
	std::map<int64_t, int64_t> suspended; // seconds of each ended boot spent suspended
	std::vector<std::string> kept;
};

// Reads the ends file at path into ends: true, also for a missing file (no
// ends known); false, with the message that names path in err, when it
// exists but cannot be read.
bool read_boot_ends(const std::string &path, boot_ends *ends, std::string *err);

// Reads the text of an ends file into ends: every line "BOOT_TIME clean" or
// "BOOT_TIME unclean" (a boot time of 0 to INT64_MAX, no sign, no leading
// zero) as the end of that boot, and "BOOT_TIME suspended SECONDS" as the
// time it spent suspended, the last such line of a boot time winning; every
// other line kept as it is (an older recorder keeps the suspended lines so).
void parse_boot_ends(const std::string &text, boot_ends &ends);

// The text of the ends file: the kept lines, then one line "BOOT_TIME clean"
// or "BOOT_TIME unclean" a boot, oldest first, each after the boot's
// "BOOT_TIME suspended SECONDS" where that is known.
std::string boot_ends_text(const boot_ends &ends);

// Notes in ends what a run of the recorder learnt (update), the running
// boot's clean end when the run is the one at shutdown: a record that moved
// takes its end along, and the boot that a new boot id ended without a
// shutdown run ended uncleanly.  true when ends changed.
bool note_ends(boot_ends &ends, const boot_update &update, bool shutdown);

// Notes in ends the time the boots of a run spent suspended, where the
// system tells it: the boot that a new boot ended keeps the last run's
// figure (the boot mark's), the running boot at shutdown its own, and a
// record that moved takes its figure along.  true when ends changed.
bool note_suspended(boot_ends &ends, const recorded_boot &recorded, bool shutdown);

// The seconds that the boot stored under boot_time spent suspended, -1 when
// unknown.
int64_t suspended_of(const boot_ends &ends, int64_t boot_time);

// How the boot stored under boot_time ended.
boot_end how_ended(const boot_ends &ends, int64_t boot_time);

#endif // CORVANE_RECORD_BOOT_ENDS_H
