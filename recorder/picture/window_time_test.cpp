// window_time_test.cpp - the uptime and downtime inside a window.
#include "recorder/picture/window_time.h"

#include <gtest/gtest.h>

namespace
{

struct window_case {
	const char *name;
	std::vector<boot_span> boots;
	int64_t since, until;
	int64_t up, down;
};

TEST(TimeInside, CutsAtTheEdgesAndCountsOverlapsOnce)
{
	const window_case cases[] = {
	    {"no boot", {}, 0, 100, 0, 0},
	    {"one boot inside", {{10, 20}}, 0, 100, 10, 0},
	    {"a boot straddling the start", {{-50, 30}}, 0, 100, 30, 0},
	    {"a boot straddling the end", {{90, 150}}, 0, 100, 10, 0},
	    {"a boot over the whole window", {{-10, 200}}, 0, 100, 100, 0},
	    {"a gap between two boots", {{10, 20}, {50, 60}}, 0, 100, 20, 30},
	    {"a gap straddling the start", {{-40, -20}, {10, 20}}, 0, 100, 10, 10},
	    {"a gap straddling the end", {{10, 20}, {150, 160}}, 0, 100, 10, 80},
	    {"boots wholly before and after", {{-40, -20}, {120, 130}}, 0, 100, 0, 100},
	    {"overlapping boots", {{10, 40}, {30, 50}}, 0, 100, 40, 0},
	    {"a boot inside another", {{10, 80}, {20, 30}, {90, 95}}, 0, 100, 75, 10},
	    {"an empty window", {{10, 20}}, 50, 50, 0, 0},
	    {"nothing after the last boot", {{10, 20}}, 0, 1000, 10, 0},
	};
	for (const window_case &c : cases) {
		window_time t = time_inside(c.boots, c.since, c.until);
		EXPECT_EQ(t.up, c.up) << c.name;
		EXPECT_EQ(t.down, c.down) << c.name;
	}
}

} // namespace
