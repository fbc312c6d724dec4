// check.h - the records that cannot be true as they stand, and whether this
// run sees the host's boot from inside a container.
#ifndef CORVANE_RECORD_CHECK_H
#define CORVANE_RECORD_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/history_view/boot_rows.h"

// 2000-01-01 00:00:00 UTC: a boot dated before it started before its clock
// was set.
constexpr int64_t clock_set_time = 946684800;

// A doubtful record: its boot time and what is wrong with it.
struct finding {
	int64_t boot_time;
	std::string what;
};

// The doubtful records among rows (the whole history, uncut), oldest first:
// a boot that starts before the one before it ended (they overlap), or the
// very second it ended (no downtime at all), a boot dated before 2000, and
// a boot that lasts longer than the time from the end of the boot before it
// to the start of the one after it (when the one after starts after that
// end: else those two overlap, and so does it).
std::vector<finding> doubtful_records(const std::vector<boot_row> &rows);

// What shows that this process runs in a container, its boot id and uptime
// then the host's: "/run/systemd/container", "container= in /proc/1/environ"
// or "/.dockerenv", the first found; "" when none is.  The paths are read
// below root ("" for the machine's own root, a folder of the tests' making
// for theirs).
std::string container_sign(const std::string &root);

// The container_sign of this machine; under the test double of the records
// library (tests/double), the sign that its environment gives instead.
std::string running_container_sign();

#endif // CORVANE_RECORD_CHECK_H
