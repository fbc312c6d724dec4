// suspended.h - the time a boot spent suspended, where it is known.
#ifndef CORVANE_RECORD_SUSPENDED_H
#define CORVANE_RECORD_SUSPENDED_H

#include <cstdint>
#include <optional>

#include "corvane.h"

// The seconds of the boot of rec that were spent suspended (counted in its
// uptime), or nothing when nobody noted them.  Nothing is noted yet, for any
// boot: every export and status asks here, so that the time, once noted
// beside the store, is filled in in this one place.
std::optional<int64_t> suspended_seconds(const urec &rec);

#endif // CORVANE_RECORD_SUSPENDED_H
