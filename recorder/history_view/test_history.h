// test_history.h - for the tests of history_view/: a list of records made
// of (boot time, uptime) or (boot time, uptime, system text), linked in the
// order given.
#ifndef CORVANE_RECORD_TEST_HISTORY_H
#define CORVANE_RECORD_TEST_HISTORY_H

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

#include "corvane.h"

struct test_history {
	std::vector<urec> recs;

	test_history(std::initializer_list<std::tuple<int64_t, int64_t, const char *>> boots)
	    : recs(boots.size())
	{
		std::size_t i = 0;
		for (const auto &[boot, up, text] : boots)
			set(i++, boot, up, text);
	}
	test_history(std::initializer_list<std::pair<int64_t, int64_t>> boots) : recs(boots.size())
	{
		std::size_t i = 0;
		for (const auto &[boot, up] : boots)
			set(i++, boot, up, "");
	}
	// The list's head, null for none.
	const urec *list() const
	{
		return recs.empty() ? nullptr : &recs[0];
	}

      private:
	void set(std::size_t i, int64_t boot, int64_t up, const char *text)
	{
		recs[i].boot_time = static_cast<time_t>(boot);
		recs[i].uptime = up;
		std::strncpy(recs[i].sysinfo, text, SYSMAX);
		recs[i].next = i + 1 < recs.size() ? &recs[i + 1] : nullptr;
	}
};

#endif // CORVANE_RECORD_TEST_HISTORY_H
