// parse_duration_test.cpp - reading durations that a person wrote.
#include <cstdint>

#include <gtest/gtest.h>

#include "corvane_store.h"

namespace
{

constexpr int64_t minute = 60, hour = 3600, day = 86400, week = 7 * day, year = 365 * day;

TEST(scantime, reads_numbers_with_units)
{
	struct {
		const char *text;
		int64_t seconds;
	} const cases[] = {
	    {"100 days", 100 * day},
	    {"1y 2w", year + 2 * week},
	    {"4h30m", 4 * hour + 30 * minute},
	    {" 2 weeks\n", 2 * week},
	    {"3600", 3600},
	    {"  3600 \n", 3600},
	    {"0", 0},
	    {"1y", year},
	    {"1 year", year},
	    {"3 years", 3 * year},
	    {"1w", week},
	    {"1 week", week},
	    {"1d", day},
	    {"1 day", day},
	    {"2 days", 2 * day},
	    {"1h", hour},
	    {"1 hour", hour},
	    {"5 hours", 5 * hour},
	    {"1m", minute},
	    {"1 min", minute},
	    {"2 mins", 2 * minute},
	    {"1 minute", minute},
	    {"5 minutes", 5 * minute},
	    {"1s", 1},
	    {"1 sec", 1},
	    {"2 secs", 2},
	    {"1 second", 1},
	    {"9 seconds", 9},
	    {"1y1w1d1h1m1s", year + week + day + hour + minute + 1},
	    {"\t1d\t 2h \t", day + 2 * hour},
	    {"1d\r\n", day},
	    {"007m", 7 * minute},
	    {"1d 1d", 2 * day},
	    {"9223372036854775807", INT64_MAX},
	    {"9223372036854775807s", INT64_MAX},
	    {"9223372036854775800s 7s", INT64_MAX},
	    {"292471208677y", 292471208677 * year},
	};
	for (const auto &c : cases)
		EXPECT_EQ(scantime(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(scantime, gives_0_for_what_it_cannot_read_whole)
{
	const char *const cases[] = {
	    "",
	    "   ",
	    "\n",
	    "days",
	    "d5",
	    "5 fortnights",
	    "5x",
	    "5 M",
	    "5 Days",
	    "5mm",
	    "1.5h",
	    "-5m",
	    "+5m",
	    "5 m s",
	    "1h 30",
	    "1 2",
	    "5m 1",
	    "5m\n\n",
	    "5m\nx",
	    "5m \n ",
	    "5\r",
	    "1e3",
	    "5m,",
	    "5m and 2s",
	    "\x01"
	    "5m",
	    "9223372036854775808",       // number beyond int64
	    "292471208678y",             // product beyond int64
	    "9223372036854775807s 1s",   // sum beyond int64
	    "99999999999999999999999 s", // far beyond
	};
	EXPECT_EQ(scantime(nullptr), 0);
	for (const char *text : cases)
		EXPECT_EQ(scantime(text), 0) << '"' << text << '"';
}

} // namespace
