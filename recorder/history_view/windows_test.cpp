// windows_test.cpp - the uptime and downtime inside ranges of a small
// history, the boots at the edges cut.
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history_view/test_history.h"

#include "recorder/history_view/windows.h"

namespace
{

using history = test_history;

TEST(windows, cuts_the_boots_at_the_edges)
{
	// Up 100-200, 300-400, 500-600 (the running one, its end "now"), listed
	// out of order.
	history h{{300, 100}, {100, 100}, {500, 100}};
	struct {
		time_range range;
		range_time want; // from, to, uptime, downtime
	} const cases[] = {
	    {{}, {100, 600, 300, 200}},
	    {{150, 350}, {150, 350, 100, 100}},
	    {{0, 1000}, {100, 600, 300, 200}},     // beyond the history: cut to it
	    {{200, 300}, {200, 300, 0, 100}},      // a gap only
	    {{120, 180}, {120, 180, 60, 0}},       // inside one boot
	    {{550, INT64_MAX}, {550, 600, 50, 0}}, // the running boot: up to now
	    {{600, 700}, {600, 600, 0, 0}},        // after now: nothing
	    {{0, 100}, {100, 100, 0, 0}},          // before the history: nothing
	    {{400, 300}, {400, 400, 0, 0}},        // backwards: nothing
	};
	for (const auto &c : cases) {
		range_time t = time_in_range(h.list(), c.range);
		EXPECT_EQ(t.from, c.want.from) << c.range.since << ".." << c.range.until;
		EXPECT_EQ(t.to, c.want.to) << c.range.since << ".." << c.range.until;
		EXPECT_EQ(t.uptime, c.want.uptime) << c.range.since << ".." << c.range.until;
		EXPECT_EQ(t.downtime, c.want.downtime) << c.range.since << ".." << c.range.until;
		EXPECT_EQ(t.uptime + t.downtime, t.to - t.from);
	}
}

TEST(windows, counts_overlapping_boots_once)
{
	// 100-300 and 200-250 (inside it) and 280-400: up 100-400 without a gap.
	history h{{100, 200}, {200, 50}, {280, 120}, {500, 0}};
	range_time t = time_in_range(h.list(), {});
	EXPECT_EQ(t.uptime, 300);
	EXPECT_EQ(t.downtime, 100);
	t = time_in_range(h.list(), {150, 260});
	EXPECT_EQ(t.uptime, 110);
	EXPECT_EQ(t.downtime, 0);
}

TEST(windows, availability_and_last_days)
{
	EXPECT_EQ(availability_of({}), 1.0);
	EXPECT_EQ(availability_of({0, 4, 3, 1}), 0.75);
	time_range r = last_days(100 * 86400, 30);
	EXPECT_EQ(r.since, 70 * 86400);
	EXPECT_EQ(r.until, 100 * 86400);
	history none(std::initializer_list<std::pair<int64_t, int64_t>>{});
	EXPECT_EQ(time_in_range(none.list(), r).uptime, 0);
}

struct window_case {
	const char *name;
	std::vector<boot_span> boots;
	int64_t since, until;
	int64_t up, down;
};

// The same, of spans sorted by start, as the picture of the history asks.
TEST(windows, cuts_spans_at_the_edges_and_counts_overlaps_once)
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
		range_time t = time_in_spans(c.boots, {c.since, c.until});
		EXPECT_EQ(t.uptime, c.up) << c.name;
		EXPECT_EQ(t.downtime, c.down) << c.name;
	}
}

} // namespace
