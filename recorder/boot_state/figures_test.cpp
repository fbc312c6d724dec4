// figures_test.cpp - the figures of the records: ranks as the report ranks,
// the gaps between boots, the ends of the ended boots.
#include <map>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "recorder/boot_state/figures.h"
#include "test_support.h"

namespace
{

struct figures_test : corvane_test::records_fixture {
};

TEST_F(figures_test, rank_the_running_boot_as_the_report_does)
{
	struct {
		const char *name;
		int64_t running; // the running boot's uptime; it booted last, at 10000
		int64_t rank;
		int64_t next_rank_uptime;
	} const cases[] = {
	    {"below every record", 10, 4, 100},
	    {"between two", 250, 3, 300},
	    {"level with one: the older ranks first", 300, 3, 300},
	    {"first", 900, 1, 0},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(300, 1000, "a");
		add_urec(100, 2000, "b");
		add_urec(500, 3000, "c");
		u_current = add_urec(c.running, 10000, "running");
		record_figures f = figures_of(urec_list, u_current, {});
		EXPECT_EQ(f.rank, c.rank) << c.name;
		EXPECT_EQ(f.next_rank_uptime, c.next_rank_uptime) << c.name;
		EXPECT_EQ(f.first_place_uptime, 500) << c.name;
		EXPECT_EQ(f.boots, 4) << c.name;
		EXPECT_EQ(f.since, 1000) << c.name;
		EXPECT_EQ(f.longest, std::max<int64_t>(500, c.running)) << c.name;
	}
}

TEST_F(figures_test, count_the_gaps_between_boots_and_their_ends)
{
	add_urec(100, 1000, "a");                  // up until 1100
	add_urec(500, 1050, "b");                  // overlaps a: no downtime, up until 1550
	add_urec(10, 2000, "c");                   // 450 down before it
	u_current = add_urec(40, 3000, "running"); // 990 down before it
	boot_ends ends;
	ends.ends = {{1000, boot_end::clean}, {2000, boot_end::unclean}, {9999, boot_end::clean}};
	record_figures f = figures_of(urec_list, u_current, ends);
	EXPECT_EQ(f.total_uptime, 650);
	EXPECT_EQ(f.total_downtime, 1440);
	EXPECT_DOUBLE_EQ(f.availability, 650.0 / 2090.0);
	EXPECT_EQ(f.clean, 1);
	EXPECT_EQ(f.unclean, 1);
	EXPECT_EQ(f.unknown, 1); // b; the running boot has not ended
	EXPECT_EQ(f.running, 1);
	EXPECT_EQ(f.clean + f.unclean + f.unknown + f.running, f.boots);
	EXPECT_EQ(f.last_unclean_end, 2010);
}

TEST_F(figures_test, take_the_latest_end_of_an_unclean_boot)
{
	struct {
		const char *name;
		std::map<int64_t, boot_end> ends;
		int64_t last_unclean_end;
	} const cases[] = {
	    {"none unclean", {{1000, boot_end::clean}, {3000, boot_end::clean}}, 0},
	    {"one", {{1000, boot_end::unclean}, {3000, boot_end::clean}}, 1100},
	    // b booted after a but ended before it: the later end wins, not
	    // the later boot.
	    {"the later end", {{1000, boot_end::unclean}, {1050, boot_end::unclean}}, 1100},
	    {"the running boot has not ended, whatever the file says",
	     {{1050, boot_end::unclean}, {5000, boot_end::unclean}},
	     1060},
	    {"unknown ends are not unclean", {}, 0},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(100, 1000, "a"); // up until 1100
		add_urec(10, 1050, "b");  // up until 1060
		add_urec(40, 3000, "c");  // up until 3040
		u_current = add_urec(40, 5000, "running");
		boot_ends ends;
		ends.ends = c.ends;
		EXPECT_EQ(figures_of(urec_list, u_current, ends).last_unclean_end,
		          c.last_unclean_end)
		    << c.name;
	}
}

TEST_F(figures_test, saturate_absurd_sums)
{
	add_urec(INT64_MAX, 0, "a");
	u_current = add_urec(INT64_MAX, 1, "b");
	record_figures f = figures_of(urec_list, u_current, {});
	EXPECT_EQ(f.total_uptime, INT64_MAX);
	EXPECT_EQ(f.total_downtime, 0);
	EXPECT_EQ(f.rank, 2);
}

TEST_F(figures_test, of_no_records_are_zero)
{
	record_figures f = figures_of(urec_list, u_current, {});
	EXPECT_EQ(f.boots, 0);
	EXPECT_EQ(f.rank, 0);
	EXPECT_EQ(f.availability, 0);
}

} // namespace
