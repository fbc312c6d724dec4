// merge_history_test.cpp - the boots of several sources as one list.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history/history_test_tools.h"
#include "recorder/history/merge_history.h"

namespace
{

// A merged boot as the cases write it.
struct expected_boot {
	past_boot boot;
	std::size_t source;
	uint32_t sources;
};

constexpr auto clean = boot_end::clean;
constexpr auto unclean = boot_end::unclean;
constexpr auto unknown = boot_end::unknown;

TEST(merge_history, one_entry_for_each_boot)
{
	struct {
		const char *name;
		std::vector<std::vector<past_boot>> lists;
		std::vector<expected_boot> expected;
	} const cases[] = {
	    {"one boot in every source: by id, then by start within the window",
	     {{{1000, 500, true, "6.1", "aa", unclean}},
	      {{1030, 600, true, "", "", clean}},
	      {{1100, 300, true, "6.2", "", unknown}}},
	     {{{1000, 630, true, "6.1", "aa", clean}, 1, 7}}},
	    {"the same boot id is one boot whatever the starts",
	     {{{1000, 50, true, "", "aa", unknown}}, {{5000, 10, true, "", "aa", unclean}}},
	     {{{1000, 4010, true, "", "aa", unclean}, 0, 3}}},
	    {"two boot ids are two boots, the entry without one joins the nearest",
	     {{{1000, 10, true, "", "aa", clean}, {1100, 10, true, "", "bb", clean}},
	      {{1090, 20, true, "x", "", unknown}}},
	     {{{1000, 10, true, "", "aa", clean}, 0, 1},
	      {{1090, 20, true, "x", "bb", clean}, 1, 3}}},
	    {"starts more than the window apart are two boots",
	     {{{1000, 10, true, "", "", unknown}}, {{1121, 10, true, "", "", unknown}}},
	     {{{1000, 10, true, "", "", unknown}, 0, 1},
	      {{1121, 10, true, "", "", unknown}, 1, 2}}},
	    {"two boots of one source stay two boots",
	     {{{1000, 10, true, "", "", unclean}, {1060, 10, true, "", "", unknown}}, {}},
	     {{{1000, 10, true, "", "", unclean}, 0, 1},
	      {{1060, 10, true, "", "", unknown}, 0, 1}}},
	    {"the window is measured from the boot's start, not from its first source's entry",
	     {{{200, 100, true, "", "aa", unknown}},
	      {{0, 50, true, "", "aa", unknown}},
	      {{10, 20, true, "", "", unknown}}},
	     {{{0, 300, true, "", "aa", unknown}, 0, 7}}},
	    {"an entry beyond the window from the boot's start stays apart",
	     {{{200, 100, true, "", "aa", unknown}},
	      {{0, 50, true, "", "aa", unknown}},
	      {{121, 20, true, "", "", unknown}}},
	     {{{0, 300, true, "", "aa", unknown}, 0, 3}, {{121, 20, true, "", "", unknown}, 2, 4}}},
	    {"seven boots less than two minutes apart, each of its own id",
	     {{{0, 90, true, "", "a", clean},
	       {100, 90, true, "", "b", clean},
	       {200, 90, true, "", "c", clean},
	       {300, 90, true, "", "d", clean},
	       {400, 90, true, "", "e", clean},
	       {500, 90, true, "", "f", clean},
	       {600, 90, true, "", "g", unknown}}},
	     {{{0, 90, true, "", "a", clean}, 0, 1},
	      {{100, 90, true, "", "b", clean}, 0, 1},
	      {{200, 90, true, "", "c", clean}, 0, 1},
	      {{300, 90, true, "", "d", clean}, 0, 1},
	      {{400, 90, true, "", "e", clean}, 0, 1},
	      {{500, 90, true, "", "f", clean}, 0, 1},
	      {{600, 90, true, "", "g", unknown}, 0, 1}}},
	    {"the release is the first known, with whether it was cut",
	     {{{1000, 10, true, "", "aa", unknown}},
	      {release_cut({1000, 10, true, "6.1", "", unknown})},
	      {{1000, 10, true, "6.2", "", unknown}}},
	     {{release_cut({1000, 10, true, "6.1", "aa", unknown}), 0, 7}}},
	    {"a boot no source bounds stays unbounded; a bounded entry bounds it",
	     {{{1000, 0, false, "", "", unclean}, {3000, 0, false, "", "", unknown}},
	      {{3010, 90, true, "", "", unknown}}},
	     {{{1000, 0, false, "", "", unclean}, 0, 1},
	      {{3000, 100, true, "", "", unknown}, 1, 3}}},
	};
	for (const auto &c : cases) {
		std::vector<merged_boot> merged = merge_histories(c.lists);
		ASSERT_EQ(merged.size(), c.expected.size()) << c.name;
		for (std::size_t i = 0; i < merged.size(); i++) {
			EXPECT_EQ(merged[i].boot, c.expected[i].boot) << c.name << " " << i;
			EXPECT_EQ(merged[i].source, c.expected[i].source) << c.name << " " << i;
			EXPECT_EQ(merged[i].sources, c.expected[i].sources) << c.name << " " << i;
		}
	}
}

} // namespace
