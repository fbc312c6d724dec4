// time_range.h - the dates that a person types for --since and --until, and
// the range of time between them.
#ifndef CORVANE_RECORD_TIME_RANGE_H
#define CORVANE_RECORD_TIME_RANGE_H

#include <cstdint>
#include <string>

// A range of time [since, until), in seconds since the epoch; each end open
// (INT64_MIN, INT64_MAX) when not given.
struct time_range {
	int64_t since = INT64_MIN;
	int64_t until = INT64_MAX;
};

// Whether the range is the whole of time: neither end given.
inline bool whole_time(const time_range &range)
{
	return range.since == INT64_MIN && range.until == INT64_MAX;
}

// Reads a date as a person types it into seconds since the epoch:
//
//   2026-11-01                  midnight, local time
//   2026-11-01 08:00            local time (also 08:00:00, and T for the blank)
//   2026-11-01T08:00:00+01:00   with an offset (+01, +0100, Z): not local time
//   @1793520000                 seconds since the epoch
//
// false, with what is wrong in err (the date quoted, without the option's
// name), when the text is none of these or names no such day or time.
bool parse_date(const char *text, int64_t *when, std::string *err);

#endif // CORVANE_RECORD_TIME_RANGE_H
