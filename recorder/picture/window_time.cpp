// window_time.cpp - how long the machine was up and down inside a window.
#include "recorder/picture/window_time.h"

#include <algorithm>

namespace
{

// The length of [from, to) inside [since, until).
int64_t inside(int64_t from, int64_t to, int64_t since, int64_t until)
{
	from = std::max(from, since);
	to = std::min(to, until);
	return to > from ? to - from : 0;
}

} // namespace

window_time time_inside(const std::vector<boot_span> &boots, int64_t since, int64_t until)
{
	window_time t;
	bool started = false;
	int64_t covered = 0; // the latest end of the boots so far
	for (const boot_span &b : boots) {
		if (started)
			t.down += inside(covered, b.start, since, until);
		t.up += inside(started ? std::max(b.start, covered) : b.start, b.end, since, until);
		covered = started ? std::max(covered, b.end) : b.end;
		started = true;
		if (b.start >= until)
			break; // the boots after it start later still
	}
	return t;
}
