// moveup.cpp - keeping the running boot in its place as its uptime grows.
#include "corvane_store.h"

// Walks the list once, remembering where the run of records just above
// u_current that are shorter than it begins; u_current is moved to the start
// of that run.  A record whose uptime equals u_current's ends the run, so it
// stays above.
extern "C" void moveup(void)
{
	urec *cur = u_current;
	if (!cur)
		return;
	urec **run_start = nullptr; // link to the first record of the run
	for (urec **link = &urec_list; *link; link = &(*link)->next) {
		urec *rec = *link;
		if (rec == cur) {
			if (run_start) {
				*link = cur->next;
				cur->next = *run_start;
				*run_start = cur;
			}
			return;
		}
		if (rec->uptime < cur->uptime) {
			if (!run_start)
				run_start = link;
		} else {
			run_start = nullptr;
		}
	}
}
