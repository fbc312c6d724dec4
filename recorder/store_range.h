// store_range.h - the times that the records store can hold.
#ifndef CORVANE_RECORD_STORE_RANGE_H
#define CORVANE_RECORD_STORE_RANGE_H

#include <cstdint>

// 9999-01-01 00:00:00 UTC: a stored boot starts and ends before it (see
// libcorvane/FORMAT.md).
constexpr int64_t store_time_limit = 253370764800;

// Whether the store can hold a boot of these times: neither negative, the
// start and the end before store_time_limit.
inline bool fits_store(int64_t boot_time, int64_t uptime)
{
	return boot_time >= 0 && uptime >= 0 && boot_time < store_time_limit &&
	       uptime < store_time_limit - boot_time;
}

// a + b, held within the range of int64_t: the end of a boot, or a sum of
// uptimes, from values the store may hold but no sum of them need fit.
inline int64_t clamped_sum(int64_t a, int64_t b)
{
	int64_t sum;
	if (!__builtin_add_overflow(a, b, &sum))
		return sum;
	return b < 0 ? INT64_MIN : INT64_MAX;
}

#endif // CORVANE_RECORD_STORE_RANGE_H
