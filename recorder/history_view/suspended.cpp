// suspended.cpp - the time a boot spent suspended, where it is known.
#include "recorder/history_view/suspended.h"

std::optional<int64_t> suspended_seconds(const urec &)
{
	return std::nullopt;
}
