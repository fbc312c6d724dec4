// release_summary.h - the history by system text, and how the boots ended
// over all of it.
#ifndef CORVANE_RECORD_RELEASE_SUMMARY_H
#define CORVANE_RECORD_RELEASE_SUMMARY_H

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/history_view/boot_rows.h"

// The boots of one system text.  Its time is the time from the start of
// each of its boots to the start of the next boot (the uptime and the
// downtime after it; the last boot's uptime only): the availability while
// that release ran is its uptime / its time.
struct release_line {
	std::string system;
	int64_t boots = 0;
	int64_t clean = 0;
	int64_t unclean = 0;
	int64_t unknown = 0;
	int64_t running = 0;
	int64_t longest = 0; // the longest uptime
	int64_t uptime = 0;  // in all
	int64_t time = 0;    // in all, see above
};

// One line a system text, in the order each first booted.
std::vector<release_line> release_summary(const std::vector<boot_row> &rows);

// How the boots of rows ended, and their uptimes and downtimes.  The
// downtimes are those before each boot but the first (before the first, too,
// when a range's start cuts it).
struct ends_summary {
	int64_t startups = 0;
	int64_t clean = 0;
	int64_t unclean = 0;
	int64_t unknown = 0;
	int64_t running = 0;
	int64_t longest_uptime = 0;
	int64_t total_uptime = 0;
	int64_t downtimes = 0;
	int64_t longest_downtime = 0;
	int64_t total_downtime = 0;
	int64_t asleep_boots = 0;  // boots whose time suspended is known
	int64_t asleep_uptime = 0; // their uptime, the time suspended counted
	int64_t suspended = 0;     // their time suspended
};

ends_summary summary_of_ends(const std::vector<boot_row> &rows);

// total / count, 0 for none.
int64_t average(int64_t total, int64_t count);

#endif // CORVANE_RECORD_RELEASE_SUMMARY_H
