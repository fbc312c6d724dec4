#include "report/dates.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace
{

// Dates in UTC: four-digit years as ctime writes them, other years whole
// rather than cut, and the placeholder where there is no calendar date.
TEST(Dates, TextAndShortTextOfEveryKindOfYear)
{
	setenv("TZ", "UTC", 1);
	tzset();
	const struct {
		int64_t when;
		const char *text;
	} cases[] = {
	    {0, "Thu Jan  1 00:00:00 1970\n"},
	    {1700000000, "Tue Nov 14 22:13:20 2023\n"},
	    {-1, "Wed Dec 31 23:59:59 1969\n"},
	    {253402300799, "Fri Dec 31 23:59:59 9999\n"},
	    {253402300800, "Sat Jan  1 00:00:00 10000\n"},
	    {-40000000000, "Sun Jun 15 00:53:20 702\n"},
	    {99999999999999, "Sat Nov  7 09:46:39 3170843\n"},
	    {INT64_MAX, "     (date out of range)\n"},
	    {INT64_MIN, "     (date out of range)\n"},
	};
	for (const auto &c : cases) {
		time_t when = static_cast<time_t>(c.when);
		EXPECT_EQ(std::string(date_text(when)), c.text) << c.when;
		char buffer[date_size];
		std::string text = c.text;
		EXPECT_EQ(std::string(short_date_text(when, buffer)),
		          text.substr(0, text.size() - 1))
		    << c.when;
	}
}

} // namespace
