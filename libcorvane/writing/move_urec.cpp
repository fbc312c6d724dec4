// move_urec.cpp - moving a record to another boot time, noting the time it left.
//
// The store is rewritten line by line and keeps every line of a boot that
// the list lacks; a record moved to another boot time would leave its old
// line behind as a second boot.  The boot times that records were moved
// away from are noted here, and the writer drops their lines.
#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "corvane_store.h"
#include "writing/move_urec.h"

namespace
{

// The boot times records were moved away from, in the order of the moves.
std::vector<int64_t> moved_away;

} // namespace

bool corvane::moved_away_from(int64_t boot_time)
{
	return std::find(moved_away.begin(), moved_away.end(), boot_time) != moved_away.end();
}

void corvane::forget_moves()
{
	moved_away.clear();
}

extern "C" int move_urec(struct urec *rec, time_t boot_time)
{
	if (rec->boot_time == boot_time)
		return 0;
	try {
		moved_away.push_back(static_cast<int64_t>(rec->boot_time));
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
	rec->boot_time = boot_time;
	return 0;
}
