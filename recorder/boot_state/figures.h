// figures.h - the figures of the records: what the status and the metrics
// tell of the store and the running boot.
#ifndef CORVANE_RECORD_FIGURES_H
#define CORVANE_RECORD_FIGURES_H

#include <cstdint>
#include <ctime>
#include <vector>

#include "corvane_store.h"
#include "recorder/boot_state/boot_ends.h"

// The availability over a window of time that ends now, such as the last
// 30 days: its label ("30d") and the share of it the machine was up.
struct window_ratio {
	const char *label;
	double ratio;
};

struct record_figures {
	int64_t boots = 0;              // records, the running boot's included
	time_t since = 0;               // the oldest record's boot time
	int64_t longest = 0;            // the longest uptime on record
	time_t longest_boot = 0;        // that record's boot time
	int64_t running_uptime = 0;     // the running boot's uptime
	time_t running_boot = 0;        // its boot time
	int64_t rank = 0;               // its rank by uptime, 1 the longest
	int64_t next_rank_uptime = 0;   // the uptime of the record ranked just above it
	int64_t first_place_uptime = 0; // the longest uptime of the other records
	int64_t total_uptime = 0;       // over every record
	int64_t total_downtime = 0;     // the gaps between the records
	double availability = 0;        // uptime / (uptime + downtime), 0 to 1
	int64_t clean = 0;              // boots that ended cleanly
	int64_t unclean = 0;            // boots that ended without a shutdown run
	int64_t unknown = 0;            // ended boots whose end nobody saw
	int64_t last_unclean_end = 0;   // the latest end of those that ended uncleanly, 0 for none
	int64_t running = 0;            // the running boot, not ended: 0 or 1
	std::vector<window_ratio> windows; // set by the caller, which knows now
};

// The figures of the records of list, with current the running boot (not
// counted among the ended boots; NULL for none), and the ends of the ended
// boots.  As in the
// report, ranks break ties by age (of equal uptimes, the older boot ranks
// first) and the downtime before a boot is the time from the end of the boot
// before it, 0 when they overlap, and a boot ends at its boot time plus its
// uptime.  Sums saturate instead of wrapping.
record_figures figures_of(const urec *list, const urec *current, const boot_ends &ends);

#endif // CORVANE_RECORD_FIGURES_H
