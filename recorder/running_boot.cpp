// running_boot.cpp - the running boot's record in the list read from the store.
#include "recorder/running_boot.h"

// The running boot's record, which the library reads; the recorder sets it
// once the store is read.
struct urec *u_current = nullptr;

urec *record_running_boot(time_t boot_time, int64_t uptime, const char *sysinfo)
{
	urec *found = nullptr;
	for (urec *rec = urec_list; rec; rec = rec->next) {
		// Of several records of the boot, the longest.
		if (rec->boot_time == boot_time && (!found || rec->uptime > found->uptime))
			found = rec;
	}
	if (found) {
		if (uptime > found->uptime)
			found->uptime = uptime;
	} else {
		found = add_urec(uptime, boot_time, sysinfo);
	}
	u_current = found;
	return found;
}
