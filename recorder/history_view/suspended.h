// suspended.h - the time a boot spent suspended, where it is known.
#ifndef CORVANE_RECORD_SUSPENDED_H
#define CORVANE_RECORD_SUSPENDED_H

#include <cstdint>
#include <optional>

#include "corvane.h"
#include "recorder/boot_state/boot_ends.h"

// The seconds of the boot of rec that were spent suspended (counted in its
// uptime), or nothing when nobody noted them: the running boot's (current)
// running_suspended, as the system tells it now (-1: it does not), an ended
// boot's as the ends file keeps it (the figure of its last run, or of its
// shutdown run).  Every export and status asks here.
std::optional<int64_t> suspended_seconds(const urec &rec, const urec *current,
                                         const boot_ends &ends, int64_t running_suspended);

#endif // CORVANE_RECORD_SUSPENDED_H
