// window_time.h - how long the machine was up and down inside a window of
// time, from its boots.
#ifndef CORVANE_RECORD_WINDOW_TIME_H
#define CORVANE_RECORD_WINDOW_TIME_H

#include <cstdint>
#include <vector>

// A boot from its start to its end, in seconds since the epoch.
struct boot_span {
	int64_t start;
	int64_t end;
};

struct window_time {
	int64_t up = 0;
	int64_t down = 0;
};

// The uptime and downtime inside [since, until) of the boots, sorted by
// start: a boot that straddles an edge counts up to the edge only, time that
// two boots both cover counts once, and the downtime is the time between the
// end of a boot and the start of the next one.  The time before the first
// boot and after the last one is on no record, neither up nor down.
window_time time_inside(const std::vector<boot_span> &boots, int64_t since, int64_t until);

#endif // CORVANE_RECORD_WINDOW_TIME_H
