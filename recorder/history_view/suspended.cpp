// suspended.cpp - the time a boot spent suspended, where it is known.
#include "recorder/history_view/suspended.h"

std::optional<int64_t> suspended_seconds(const urec &rec, const urec *current,
                                         const boot_ends &ends, int64_t running_suspended)
{
	int64_t seconds = &rec == current ? running_suspended
	                                  : suspended_of(ends, static_cast<int64_t>(rec.boot_time));
	if (seconds < 0)
		return std::nullopt;
	return seconds;
}
