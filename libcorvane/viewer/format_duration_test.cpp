// format_duration_test.cpp - durations as text.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"

namespace
{

constexpr int64_t day = 86400;
constexpr int64_t int64_max = std::numeric_limits<int64_t>::max();
constexpr int64_t int64_min = std::numeric_limits<int64_t>::min();

TEST(time2uptime, writes_each_form_at_its_boundaries)
{
	struct {
		int64_t seconds;
		const char *text;
	} const cases[] = {
	    {0, "0 days, 00:00:00"},
	    {5, "0 days, 00:00:05"},
	    {59, "0 days, 00:00:59"},
	    {60, "0 days, 00:01:00"},
	    {3599, "0 days, 00:59:59"},
	    {3600, "0 days, 01:00:00"},
	    {86399, "0 days, 23:59:59"},
	    {86400, "1 day, 00:00:00"},
	    {93784, "1 day, 02:03:04"},
	    {172799, "1 day, 23:59:59"},
	    {172800, "2 days, 00:00:00"},
	    {123 * day + 4 * 3600 + 5 * 60 + 6, "123 days, 04:05:06"},
	    {9999 * day + 86399, "9999 days, 23:59:59"},
	    {10000 * day, "10000 days"},
	    {12345678 * day + 1, "12345678 days"},
	    {99999999999999 * day + 86399, "99999999999999 days"},
	    {100000000000000 * day, "273972602739 years"},
	    {int64_max, "292471208677 years"},
	    {-1, "-0 days, 00:00:01"},
	    {-86400, "-1 day, 00:00:00"},
	    {-(999 * day + 86399), "-999 days, 23:59:59"},
	    {-1000 * day, "-1000 days"},
	    {-(9999999999999 * day), "-9999999999999 days"},
	    {-(10000000000000 * day), "-27397260273 years"},
	    {int64_min + 1, "-292471208677 years"},
	    {int64_min, "-292471208677 years"},
	};
	for (const auto &c : cases)
		EXPECT_STREQ(time2uptime(c.seconds), c.text) << c.seconds;
}

// Checks that text tells seconds in one of the three forms, in at most 19
// characters, and in the first form that fits.
void expect_tells(int64_t seconds, const char *text)
{
	SCOPED_TRACE(seconds);
	ASSERT_LE(std::strlen(text), 19u) << text;
	bool negative = seconds < 0;
	uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(seconds) : seconds;
	ASSERT_EQ(text[0] == '-', negative) << text;
	const char *p = text + negative;
	std::string full =
	    std::to_string(magnitude / day) + (magnitude / day == 1 ? " day" : " days");
	char clock[16];
	std::snprintf(clock, sizeof clock, ", %02u:%02u:%02u", unsigned(magnitude % day / 3600),
	              unsigned(magnitude % 3600 / 60), unsigned(magnitude % 60));
	full += clock;
	std::string days = std::to_string(magnitude / day) + " days";
	std::string years = std::to_string(magnitude / day / 365) + " years";
	std::size_t sign = negative ? 1 : 0;
	if (full.size() + sign <= 19)
		EXPECT_EQ(p, full);
	else if (days.size() + sign <= 19)
		EXPECT_EQ(p, days);
	else
		EXPECT_EQ(p, years);
}

TEST(time2uptime, tells_every_value_in_at_most_19_characters)
{
	std::vector<int64_t> values = {int64_min, int64_max};
	for (int bit = 0; bit < 63; bit++) {
		int64_t v = int64_t{1} << bit;
		for (int64_t x : {v - 1, v, v + 1})
			values.insert(values.end(), {x, -x});
	}
	for (int64_t ten = 1;; ten *= 10) {
		for (int64_t x : {ten - 1, ten, ten + 1})
			values.insert(values.end(), {x, -x});
		if (ten <= int64_max / day)
			values.insert(values.end(), {ten * day - 1, ten * day, -(ten * day)});
		if (ten > int64_max / 10)
			break;
	}
	std::mt19937_64 rng(2024);
	for (int i = 0; i < 20000; i++) {
		int64_t v = static_cast<int64_t>(rng());
		values.push_back(v >> (rng() % 64)); // every magnitude
	}
	for (int64_t v : values)
		expect_tells(v, time2uptime(v));
}

TEST(time2uptime, reuses_its_storage)
{
	char *first = time2uptime(5);
	char *second = time2uptime(int64_min);
	EXPECT_EQ(first, second);
	EXPECT_STREQ(first, "-292471208677 years");
}

} // namespace
