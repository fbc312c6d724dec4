// boot_ends_test.cpp - the ends file's text: each line read as an end or
// kept as it is, and written back as read.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/boot_state/boot_ends.h"

namespace
{

TEST(boot_ends, reads_each_line_as_an_end_or_keeps_it)
{
	struct {
		const char *name;
		std::string text;
		std::map<int64_t, boot_end> ends;
		std::vector<std::string> kept;
		std::map<int64_t, int64_t> suspended = {};
	} const cases[] = {
	    {"clean and unclean",
	     "1700000000 clean\n1700086400 unclean\n",
	     {{1700000000, boot_end::clean}, {1700086400, boot_end::unclean}},
	     {}},
	    {"no last line end", "5 clean", {{5, boot_end::clean}}, {}},
	    {"the last line of a boot time wins",
	     "5 clean\n5 unclean\n",
	     {{5, boot_end::unclean}},
	     {}},
	    {"the largest boot time, and one beyond",
	     "9223372036854775807 clean\n9223372036854775808 clean\n",
	     {{INT64_MAX, boot_end::clean}},
	     {"9223372036854775808 clean"}},
	    {"0, and what no end is",
	     "0 unclean\n00 clean\n-1 clean\n5  clean\n5 clean \n5 Clean\n\n# note\n",
	     {{0, boot_end::unclean}},
	     {"00 clean", "-1 clean", "5  clean", "5 clean ", "5 Clean", "", "# note"}},
	    {"the time a boot spent suspended, with or without its end",
	     "5 suspended 120\n5 clean\n9 suspended 0\n9223372036854775807 suspended "
	     "9223372036854775807\n",
	     {{5, boot_end::clean}},
	     {},
	     {{5, 120}, {9, 0}, {INT64_MAX, INT64_MAX}}},
	    {"what no suspended time is",
	     "5 suspended\n5 suspended -1\n5 suspended 01\n5 suspended 1 2\n5 asleep 3\n"
	     "5 suspended 9223372036854775808\n",
	     {},
	     {"5 suspended", "5 suspended -1", "5 suspended 01", "5 suspended 1 2", "5 asleep 3",
	      "5 suspended 9223372036854775808"}},
	};
	for (const auto &c : cases) {
		boot_ends ends;
		parse_boot_ends(c.text, ends);
		EXPECT_EQ(ends.ends, c.ends) << c.name;
		EXPECT_EQ(ends.kept, c.kept) << c.name;
		EXPECT_EQ(ends.suspended, c.suspended) << c.name;
		// Written back, it reads the same.
		boot_ends again;
		parse_boot_ends(boot_ends_text(ends), again);
		EXPECT_EQ(again.ends, ends.ends) << c.name;
		EXPECT_EQ(again.kept, ends.kept) << c.name;
		EXPECT_EQ(again.suspended, ends.suspended) << c.name;
	}
	// Each boot's suspended time goes before its end, so that a line's
	// boot is the one of the lines after it up to its end.
	boot_ends ends;
	parse_boot_ends("9 unclean\n5 clean\n7 suspended 3\n5 suspended 1\n", ends);
	EXPECT_EQ(boot_ends_text(ends), "5 suspended 1\n5 clean\n7 suspended 3\n9 unclean\n");
}

} // namespace
