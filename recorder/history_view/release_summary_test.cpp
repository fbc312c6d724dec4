// release_summary_test.cpp - the table by system text, and the ends and
// times over all boots, of one small history.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history_view/release_summary.h"
#include "recorder/history_view/test_history.h"

namespace
{

TEST(release_summary, counts_each_system_text_and_all_boots)
{
	// Linux a 0-100 (clean), Linux b 200-500 (unclean), Linux a 600-650
	// (unknown), Linux b 1000-1100 running.
	test_history h{{200, 300, "Linux b"},
	               {0, 100, "Linux a"},
	               {1000, 100, "Linux b"},
	               {600, 50, "Linux a"}};
	boot_ends ends;
	ends.ends[0] = boot_end::clean;
	ends.ends[200] = boot_end::unclean;
	std::vector<boot_row> rows = boot_rows(h.list(), &h.recs[2], ends, "", {});

	std::vector<release_line> lines = release_summary(rows);
	ASSERT_EQ(lines.size(), 2u);
	const release_line &a = lines[0], &b = lines[1];
	EXPECT_EQ(a.system, "Linux a");
	EXPECT_EQ(b.system, "Linux b");
	// boots, clean, unclean, unknown, running, longest, uptime, time: a's
	// time runs 0-200 and 600-1000, b's 200-600 and its running 100.
	auto fields = [](const release_line &l) {
		return std::vector<int64_t>{l.boots,   l.clean,   l.unclean, l.unknown,
		                            l.running, l.longest, l.uptime,  l.time};
	};
	EXPECT_EQ(fields(a), (std::vector<int64_t>{2, 1, 0, 1, 0, 100, 150, 600}));
	EXPECT_EQ(fields(b), (std::vector<int64_t>{2, 0, 1, 0, 1, 300, 400, 500}));

	ends_summary s = summary_of_ends(rows);
	EXPECT_EQ((std::vector<int64_t>{s.startups, s.clean, s.unclean, s.unknown, s.running,
	                                s.longest_uptime, s.total_uptime, s.downtimes,
	                                s.longest_downtime, s.total_downtime}),
	          (std::vector<int64_t>{4, 1, 1, 1, 1, 300, 550, 3, 350, 550}));
	EXPECT_EQ(average(s.total_downtime, s.downtimes), 183);
	EXPECT_EQ(average(5, 0), 0);

	// In a range that cuts the first boot of b, its downtime before counts.
	rows = boot_rows(h.list(), &h.recs[2], ends, "", {150, 700});
	s = summary_of_ends(rows);
	EXPECT_EQ((std::vector<int64_t>{s.startups, s.total_uptime, s.downtimes, s.total_downtime}),
	          (std::vector<int64_t>{2, 350, 2, 150}));
}

} // namespace
