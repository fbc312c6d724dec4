// moveup_test.cpp - the running boot moving up the list.
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::list_records;
using moveup_test = corvane_test::records_fixture;

// Builds urec_list from uptimes, head first.
std::vector<urec *> make_list(const std::vector<int64_t> &uptimes)
{
	std::vector<urec *> records(uptimes.size());
	for (std::size_t i = uptimes.size(); i-- > 0;)
		records[i] = add_urec(uptimes[i], static_cast<time_t>(1000 + i), "");
	return records;
}

TEST_F(moveup_test, moves_past_the_shorter_records_just_above)
{
	struct {
		const char *name;
		std::vector<int64_t> uptimes;   // head first
		std::size_t current;            // index of u_current
		int64_t new_uptime;             // u_current's uptime when moveup runs
		std::vector<std::size_t> order; // expected order, as indexes
	} const cases[] = {
	    {"past two", {10, 8, 5, 3}, 3, 9, {0, 3, 1, 2}},
	    {"to the head", {5, 3, 1}, 2, 7, {2, 0, 1}},
	    {"equal uptime stays above", {10, 8, 5}, 2, 8, {0, 1, 2}},
	    {"past all but the equal one", {10, 8, 5, 4}, 3, 8, {0, 1, 3, 2}},
	    {"not past a longer one above the run", {5, 20, 3, 1}, 3, 10, {0, 1, 3, 2}},
	    {"never down", {10, 8, 5}, 0, 1, {0, 1, 2}},
	    {"never down from the middle", {10, 8, 5}, 1, 1, {0, 1, 2}},
	    {"already in place", {10, 8, 5}, 1, 9, {0, 1, 2}},
	    {"alone", {3}, 0, 4, {0}},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		std::vector<urec *> records = make_list(c.uptimes);
		u_current = records[c.current];
		u_current->uptime = c.new_uptime;
		moveup();
		std::vector<urec *> expected;
		for (std::size_t i : c.order)
			expected.push_back(records[i]);
		EXPECT_EQ(list_records(), expected) << c.name;
	}
}

TEST_F(moveup_test, does_nothing_without_a_current_record_in_the_list)
{
	std::vector<urec *> records = make_list({10, 8, 5});
	u_current = nullptr;
	moveup();
	EXPECT_EQ(list_records(), records);

	urec outside{};
	outside.uptime = 100;
	u_current = &outside;
	moveup();
	EXPECT_EQ(list_records(), records);
	EXPECT_EQ(outside.next, nullptr);
}

} // namespace
