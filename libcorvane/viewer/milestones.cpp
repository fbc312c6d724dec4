// milestones.cpp - the lengths of uptime worth celebrating.
#include <cstdlib>

#include "corvane_store.h"
#include "internal.h"
#include "viewer/text.h"

namespace
{

// The milestones in the order they were registered, and the last of them.
milestone *milestones = nullptr;
milestone *last_milestone = nullptr;

} // namespace

extern "C" struct milestone *add_milestone(int64_t seconds, const char *description)
{
	auto *m = static_cast<milestone *>(std::calloc(1, sizeof(milestone)));
	if (!m)
		return nullptr;
	m->time = seconds;
	corvane::copy_text(m->description, description);
	m->next = nullptr;
	if (last_milestone)
		last_milestone->next = m;
	else
		milestones = m;
	last_milestone = m;
	return m;
}

extern "C" struct milestone *find_next_milestone(int64_t uptime)
{
	milestone *next = nullptr;
	for (milestone *m = milestones; m; m = m->next) {
		if (m->time > uptime && (!next || m->time < next->time))
			next = m;
	}
	return next;
}

extern "C" void corvane_forget_milestones(void)
{
	milestone *m = milestones;
	while (m) {
		milestone *next = m->next;
		std::free(m);
		m = next;
	}
	milestones = nullptr;
	last_milestone = nullptr;
}
