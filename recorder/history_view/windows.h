// windows.h - the uptime and the downtime of the history inside a range of
// time: a date range of --status, the last 30, 90 and 365 days, or any
// window a caller draws.
#ifndef CORVANE_RECORD_WINDOWS_H
#define CORVANE_RECORD_WINDOWS_H

#include <cstdint>
#include <vector>

#include "corvane.h"
#include "recorder/history_view/time_range.h"

// The time of a range that the history covers, cut to it: from the later of
// the range's start and the oldest boot's, to the earlier of its end and the
// latest end of a boot (the running boot's "now").  The time before the
// oldest record is not known, and counts neither way.  A boot that
// straddles an edge counts its part inside; boots that overlap count their
// time once; so uptime + downtime = to - from.
struct range_time {
	int64_t from = 0;
	int64_t to = 0;
	int64_t uptime = 0;
	int64_t downtime = 0;
};

// A boot from its start to its end, in seconds since the epoch.
struct boot_span {
	int64_t start;
	int64_t end;
};

// The time in range of the records of list (urec_list, in any order, the
// running boot's included).  Nothing (from = to) when the range holds none
// of the history.
range_time time_in_range(const urec *list, const time_range &range);

// The spans of the records of list, sorted by start (an uptime below 0 as
// 0).
std::vector<boot_span> spans_of(const urec *list);

// time_in_range of boots sorted by start, such as spans_of gives.
range_time time_in_spans(const std::vector<boot_span> &boots, const time_range &range);

// uptime / (uptime + downtime), 1 for an empty range.
double availability_of(const range_time &t);

// The range of the last days days before now: [now - days * 86400, now).
time_range last_days(int64_t now, int days);

#endif // CORVANE_RECORD_WINDOWS_H
