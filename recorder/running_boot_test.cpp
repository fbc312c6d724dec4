// running_boot_test.cpp - the running boot's record: one per boot, known by
// its boot id across clock steps, its uptime only ever raised.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "internal.h"
#include "recorder/running_boot.h"
#include "test_support.h"

namespace
{

struct running_boot_test : corvane_test::records_fixture {
};

// The records of urec_list as "UPTIME@BOOT_TIME", in list order.
std::vector<std::string> records()
{
	std::vector<std::string> out;
	for (const urec *rec = urec_list; rec; rec = rec->next)
		out.push_back(std::to_string(rec->uptime) + "@" + std::to_string(rec->boot_time));
	return out;
}

boot_mark mark_of(const char *id, time_t boot_time)
{
	boot_mark mark = {};
	std::strcpy(mark.id, id);
	mark.boot_time = boot_time;
	return mark;
}

TEST_F(running_boot_test, without_a_boot_id_a_boot_is_known_by_its_boot_time)
{
	struct {
		const char *name;
		int64_t stored;
		int64_t now;
		int64_t expected;
	} const cases[] = {
	    {"grown", 100, 400, 400},
	    {"equal", 400, 400, 400},
	    {"smaller (a clock read early)", 400, 100, 400},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(7, 1000, "other boot");
		urec *stored = add_urec(c.stored, 5000, "stored text");
		boot_update update;
		record_running_boot({5000, c.now, "Linux 6.1.0-test", ""}, nullptr, &update);
		EXPECT_EQ(update.record, stored) << c.name;
		EXPECT_EQ(stored->uptime, c.expected) << c.name;
		EXPECT_STREQ(stored->sysinfo, "stored text") << c.name;
		EXPECT_FALSE(update.has_mark) << c.name;
		EXPECT_EQ(records().size(), 2u) << c.name;
	}

	corvane_forget_records();
	add_urec(500, 1000, "older");
	boot_update update;
	record_running_boot({5000, 60, "Linux 6.1.0-test", ""}, nullptr, &update);
	EXPECT_TRUE(update.added);
	EXPECT_EQ(update.record->boot_time, 5000);
	EXPECT_EQ(update.record->uptime, 60);
	EXPECT_STREQ(update.record->sysinfo, "Linux 6.1.0-test");
}

// Runs of one boot (id "a") and of a later one (id "b") whose kernel boot
// time moves with clock steps: the records after each run, and the mark.
TEST_F(running_boot_test, a_boot_id_keeps_one_record_per_boot_across_clock_steps)
{
	struct run {
		const char *id;
		time_t kernel_boot_time;
		int64_t uptime;
	};
	struct {
		const char *name;
		std::vector<run> runs;
		std::vector<std::string> expected; // in boot time order
		time_t mark_time;
	} const cases[] = {
	    {"a step forward", {{"a", 1000, 10}, {"a", 1600, 20}}, {"20@1600"}, 1600},
	    {"a step back", {{"a", 5000, 10}, {"a", 4000, 30}}, {"30@4000"}, 4000},
	    {"two steps", {{"a", 1000, 10}, {"a", 1600, 20}, {"a", 1300, 25}}, {"25@1300"}, 1300},
	    {"a shorter uptime under the same id is a new boot, whatever the step",
	     {{"a", 1000, 50}, {"a", 900, 40}},
	     {"40@900", "50@1000"},
	     900},
	    {"and so after a step forward",
	     {{"a", 1000, 50}, {"a", 2000, 10}, {"a", 2000, 12}},
	     {"50@1000", "12@2000"},
	     2000},
	    {"an equal uptime is the same boot",
	     {{"a", 1000, 50}, {"a", 1000, 50}},
	     {"50@1000"},
	     1000},
	    {"a real new boot", {{"a", 1000, 10}, {"b", 2000, 5}}, {"10@1000", "5@2000"}, 2000},
	    {"a new boot at the boot time of an old one gets the next free second",
	     {{"a", 1000, 10}, {"b", 1000, 5}},
	     {"10@1000", "5@1001"},
	     1001},
	    {"and stays there while the kernel's time stays",
	     {{"a", 1000, 10}, {"b", 1000, 5}, {"b", 1000, 9}},
	     {"10@1000", "9@1001"},
	     1001},
	    {"a step onto another boot's time is bumped too",
	     {{"a", 1000, 10}, {"b", 3000, 5}, {"b", 1000, 9}},
	     {"10@1000", "9@1001"},
	     1001},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		boot_mark mark = {};
		int64_t mark_uptime = -1;
		bool marked = false;
		for (const run &r : c.runs) {
			boot_update update;
			record_running_boot({r.kernel_boot_time, r.uptime, "Linux", r.id},
			                    marked ? &mark : nullptr, &update, mark_uptime);
			ASSERT_TRUE(update.has_mark) << c.name;
			EXPECT_EQ(update.mark_uptime, r.uptime) << c.name;
			mark = update.mark;
			mark_uptime = update.mark_uptime;
			marked = true;
		}
		std::vector<std::string> got = records();
		std::sort(got.begin(), got.end(), [](const std::string &a, const std::string &b) {
			return std::stoll(a.substr(a.find('@') + 1)) <
			       std::stoll(b.substr(b.find('@') + 1));
		});
		EXPECT_EQ(got, c.expected) << c.name;
		EXPECT_STREQ(mark.id, c.runs.back().id) << c.name;
		EXPECT_EQ(mark.boot_time, c.mark_time) << c.name;
	}
}

TEST_F(running_boot_test, a_new_boot_id_tells_the_end_of_the_marked_boot)
{
	add_urec(100, 1000, "Linux");
	boot_mark mark = mark_of("a", 1000);
	boot_update update;
	record_running_boot({2000, 5, "Linux", "b"}, &mark, &update);
	EXPECT_TRUE(update.new_boot);
	EXPECT_EQ(update.ended_boot, 1000);
	EXPECT_TRUE(update.added);

	boot_mark next = update.mark;
	record_running_boot({2000, 9, "Linux", "b"}, &next, &update);
	EXPECT_FALSE(update.new_boot);
	EXPECT_FALSE(update.added);
}

// Within a boot the uptime only grows: below the mark's, under the mark's
// boot id, it is a new boot whose id could not be told apart.
TEST_F(running_boot_test, an_uptime_below_the_marks_is_a_new_boot)
{
	struct {
		const char *name;
		int64_t mark_uptime; // -1: a mark of an older recorder
		int64_t uptime;
		time_t kernel_boot_time;
		bool fell;
		std::vector<std::string> expected;
	} const cases[] = {
	    {"fallen, the boot time stepped forward",
	     3600,
	     10,
	     5000,
	     true,
	     {"3600@1000", "10@5000"}},
	    {"fallen, at the marked boot's time", 3600, 10, 1000, true, {"3600@1000", "10@1001"}},
	    {"fallen to zero", 1, 0, 1000, true, {"3600@1000", "0@1001"}},
	    {"equal", 3600, 3600, 1000, false, {"3600@1000"}},
	    {"grown, the boot time stepped back", 3600, 3700, 900, false, {"3700@900"}},
	    {"an old mark cannot tell: the longer uptime is kept",
	     -1,
	     10,
	     1000,
	     false,
	     {"3600@1000"}},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(3600, 1000, "Linux");
		boot_mark mark = mark_of("a", 1000);
		boot_update update;
		record_running_boot({c.kernel_boot_time, c.uptime, "Linux", "a"}, &mark, &update,
		                    c.mark_uptime);
		EXPECT_EQ(update.uptime_fell, c.fell) << c.name;
		EXPECT_EQ(update.new_boot, c.fell) << c.name;
		EXPECT_EQ(update.added, c.fell) << c.name;
		if (c.fell) {
			EXPECT_EQ(update.fell_from, c.mark_uptime) << c.name;
			EXPECT_EQ(update.ended_boot, 1000) << c.name;
		}
		EXPECT_EQ(update.mark_uptime, c.uptime) << c.name;
		EXPECT_EQ(update.mark.boot_time, update.record->boot_time) << c.name;
		std::vector<std::string> got = records();
		std::sort(got.begin(), got.end());
		std::vector<std::string> expected = c.expected;
		std::sort(expected.begin(), expected.end());
		EXPECT_EQ(got, expected) << c.name;
	}
}

TEST_F(running_boot_test, the_first_run_with_a_boot_id_takes_the_record_of_its_boot_time)
{
	urec *stored = add_urec(100, 1000, "stored");
	boot_update update;
	record_running_boot({1000, 150, "Linux", "a"}, nullptr, &update);
	EXPECT_EQ(update.record, stored);
	EXPECT_EQ(stored->uptime, 150);
	EXPECT_FALSE(update.new_boot);
	EXPECT_EQ(update.mark.boot_time, 1000);
}

TEST_F(running_boot_test, a_marked_boot_whose_record_was_lost_is_added_again)
{
	add_urec(100, 500, "other");
	boot_mark mark = mark_of("a", 1000);
	boot_update update;
	record_running_boot({1200, 60, "Linux", "a"}, &mark, &update);
	EXPECT_TRUE(update.added);
	EXPECT_EQ(update.record->boot_time, 1200);
	EXPECT_EQ(records().size(), 2u);
}

} // namespace
