// readbootid.cpp - the boot time that identifies the running boot.
//
// The kernel's boot time is the wall clock minus the time since boot, so
// every step of the wall clock (time sync after boot, a board without a
// battery clock, a machine resumed from a snapshot) moves it.  The kernel's
// boot id does not move: while the boot mark beside the store holds the
// running boot's id, and the uptime has not fallen below the mark's, the
// boot time the mark gives is the running boot's, the one its record is
// stored under.
#include <cstdint>
#include <cstring>

#include "corvane_store.h"

namespace
{

// The running boot's boot time once known, 0 until then.
time_t running_boot_time = 0;

} // namespace

extern "C" time_t readbootid(void)
{
	if (running_boot_time == 0) {
		boot_mark mark;
		int64_t uptime;
		const char *id = read_boot_id();
		// The uptime only grows within a boot: below the mark's, it is a
		// new boot whose id could not be told from the marked one's.
		if (*id && read_boot_mark_uptime(&mark, &uptime) && std::strcmp(mark.id, id) == 0 &&
		    read_uptime() >= uptime)
			running_boot_time = mark.boot_time;
		else
			running_boot_time = read_kernel_boot_time();
	}
	return running_boot_time;
}
