// milestones_test.cpp - registering milestones and finding the next one.
#include <string>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "internal.h"

namespace
{

struct milestones_test : ::testing::Test {
	void SetUp() override
	{
		corvane_forget_milestones();
	}
	void TearDown() override
	{
		corvane_forget_milestones();
	}
};

TEST_F(milestones_test, keeps_its_own_copy_cut_to_sysmax)
{
	std::string text = "a week up";
	milestone *week = add_milestone(604800, text.c_str());
	text = "changed";
	ASSERT_NE(week, nullptr);
	EXPECT_EQ(week->time, 604800);
	EXPECT_STREQ(week->description, "a week up");

	EXPECT_STREQ(add_milestone(1, nullptr)->description, "");
	std::string longer = std::string(SYSMAX, 'x') + "cut";
	EXPECT_EQ(add_milestone(2, longer.c_str())->description, std::string(SYSMAX, 'x'));
}

TEST_F(milestones_test, keeps_the_order_of_registration)
{
	milestone *a = add_milestone(300, "a");
	milestone *b = add_milestone(100, "b");
	milestone *c = add_milestone(200, "c");
	EXPECT_EQ(a->next, b);
	EXPECT_EQ(b->next, c);
	EXPECT_EQ(c->next, nullptr);
}

TEST_F(milestones_test, finds_the_next_one_strictly_above)
{
	EXPECT_EQ(find_next_milestone(0), nullptr);
	milestone *hundred = add_milestone(100, "hundred");
	milestone *fifty = add_milestone(50, "fifty");
	add_milestone(100, "hundred again");
	milestone *two_hundred = add_milestone(200, "two hundred");
	struct {
		int64_t uptime;
		milestone *next;
	} const cases[] = {
	    {INT64_MIN, fifty}, {-5, fifty},          {0, fifty},         {49, fifty},
	    {50, hundred},      {99, hundred},        {100, two_hundred}, {199, two_hundred},
	    {200, nullptr},     {INT64_MAX, nullptr},
	};
	for (const auto &c : cases)
		EXPECT_EQ(find_next_milestone(c.uptime), c.next) << c.uptime;
}

} // namespace
