// metrics_test.cpp - the metrics text of record lists.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/boot_state/metrics.h"

namespace
{

// The records, linked in the order given (the list need not be in boot time
// order: the import adds its boots at the head).
struct records {
	std::vector<urec> recs;

	explicit records(const std::vector<std::pair<int64_t, int64_t>> &boots) // start, uptime
	{
		for (const auto &[start, uptime] : boots)
			recs.push_back({uptime, static_cast<time_t>(start), 0, "Linux", nullptr});
		for (std::size_t i = 0; i + 1 < recs.size(); i++)
			recs[i].next = &recs[i + 1];
	}
	const urec *head() const
	{
		return recs.empty() ? nullptr : &recs[0];
	}
};

TEST(metrics, the_whole_text_of_a_history)
{
	records list({{10000, 1000}, {1000, 500}, {2000, 3000}});
	record_figures f = figures_of(list.head(), &list.recs[0], {});
	f.clean = 2;
	f.unclean = 1;
	f.last_unclean_end = 5000;
	EXPECT_EQ(metrics_text(f),
	          "# HELP corvane_boots Boots on record, the running one included.\n"
	          "# TYPE corvane_boots gauge\n"
	          "corvane_boots 3\n"
	          "# HELP corvane_uptime_seconds Uptime of the running boot.\n"
	          "# TYPE corvane_uptime_seconds gauge\n"
	          "corvane_uptime_seconds 1000\n"
	          "# HELP corvane_boot_time_seconds Start of the running boot as the store keeps "
	          "it, in seconds since the epoch.\n"
	          "# TYPE corvane_boot_time_seconds gauge\n"
	          "corvane_boot_time_seconds 10000\n"
	          "# HELP corvane_rank Rank of the running boot by uptime among the boots on "
	          "record, 1 for the longest.\n"
	          "# TYPE corvane_rank gauge\n"
	          "corvane_rank 2\n"
	          "# HELP corvane_next_rank_uptime_seconds Uptime that the running boot must pass "
	          "to rise one rank.\n"
	          "# TYPE corvane_next_rank_uptime_seconds gauge\n"
	          "corvane_next_rank_uptime_seconds 3000\n"
	          "# HELP corvane_first_place_uptime_seconds Uptime that the running boot must "
	          "pass to take first place.\n"
	          "# TYPE corvane_first_place_uptime_seconds gauge\n"
	          "corvane_first_place_uptime_seconds 3000\n"
	          "# HELP corvane_longest_uptime_seconds Longest uptime on record.\n"
	          "# TYPE corvane_longest_uptime_seconds gauge\n"
	          "corvane_longest_uptime_seconds 3000\n"
	          "# HELP corvane_recorded_uptime_seconds Uptime of all the boots on record.\n"
	          "# TYPE corvane_recorded_uptime_seconds gauge\n"
	          "corvane_recorded_uptime_seconds 4500\n"
	          "# HELP corvane_recorded_downtime_seconds Time down between the boots on "
	          "record, from the end of each boot to the next.\n"
	          "# TYPE corvane_recorded_downtime_seconds gauge\n"
	          "corvane_recorded_downtime_seconds 5500\n"
	          "# HELP corvane_availability_ratio Share of the time since the oldest boot on "
	          "record that the machine was up; with a window label, of the last 30, 90 or 365 "
	          "days only.\n"
	          "# TYPE corvane_availability_ratio gauge\n"
	          "corvane_availability_ratio 0.45\n"
	          "# HELP corvane_oldest_boot_timestamp_seconds Start of the oldest boot on "
	          "record, in seconds since the epoch.\n"
	          "# TYPE corvane_oldest_boot_timestamp_seconds gauge\n"
	          "corvane_oldest_boot_timestamp_seconds 1000\n"
	          "# HELP corvane_ended_boots Boots on record by how they ended.\n"
	          "# TYPE corvane_ended_boots gauge\n"
	          "corvane_ended_boots{end=\"clean\"} 2\n"
	          "corvane_ended_boots{end=\"unclean\"} 1\n"
	          "# HELP corvane_last_unclean_end_timestamp_seconds End of the latest boot on "
	          "record that ended uncleanly, in seconds since the epoch; 0 when none did.\n"
	          "# TYPE corvane_last_unclean_end_timestamp_seconds gauge\n"
	          "corvane_last_unclean_end_timestamp_seconds 5000\n");
}

// The value of a metric's sample in the text, or "" when it is left out.
std::string sample(const std::string &text, const std::string &name)
{
	std::size_t at = text.find("\n" + name + " ");
	if (at == std::string::npos)
		return "";
	at += name.size() + 2;
	return text.substr(at, text.find('\n', at) - at);
}

TEST(metrics, ranks_the_running_boot_as_the_report_does)
{
	struct {
		const char *name;
		std::vector<std::pair<int64_t, int64_t>> boots; // the running boot first
		std::string rank, next, first;
	} const cases[] = {
	    {"first", {{5000, 900}, {1000, 100}, {2000, 800}}, "1", "", ""},
	    {"an equal uptime ranks before it",
	     {{5000, 800}, {1000, 100}, {2000, 800}},
	     "2",
	     "800",
	     "800"},
	    {"below two", {{5000, 10}, {1000, 100}, {2000, 800}}, "3", "100", "800"},
	    {"alone", {{5000, 10}}, "1", "", ""},
	};
	for (const auto &c : cases) {
		records list(c.boots);
		std::string text = metrics_text(figures_of(list.head(), &list.recs[0], {}));
		EXPECT_EQ(sample(text, "corvane_rank"), c.rank) << c.name;
		EXPECT_EQ(sample(text, "corvane_next_rank_uptime_seconds"), c.next) << c.name;
		EXPECT_EQ(sample(text, "corvane_first_place_uptime_seconds"), c.first) << c.name;
	}
}

TEST(metrics, counts_downtime_from_the_end_of_the_boot_just_before_as_the_report_does)
{
	// The second boot overlaps the first (no downtime); the third starts
	// 100 seconds after the second's end, though within the first.
	records list({{1000, 500}, {1200, 100}, {1400, 50}});
	std::string text = metrics_text(figures_of(list.head(), nullptr, {}));
	EXPECT_EQ(sample(text, "corvane_recorded_downtime_seconds"), "100");
	EXPECT_EQ(sample(text, "corvane_availability_ratio"), "0.8666666666666667");
	EXPECT_EQ(text.find("corvane_uptime_seconds"), std::string::npos);
	EXPECT_EQ(text.find("corvane_boot_time_seconds"), std::string::npos);
	// No unclean end: the series is there, at 0.
	EXPECT_EQ(sample(text, "corvane_last_unclean_end_timestamp_seconds"), "0");
}

} // namespace

TEST(metrics, windows_are_samples_of_the_availability_after_it)
{
	records list({{1000, 500}});
	record_figures f = figures_of(list.head(), &list.recs[0], {});
	f.windows = {{"30d", 0.5}, {"90d", 0.25}, {"365d", 1}};
	std::string text = metrics_text(f);
	const std::string want = "# TYPE corvane_availability_ratio gauge\n"
	                         "corvane_availability_ratio 1\n"
	                         "corvane_availability_ratio{window=\"30d\"} 0.5\n"
	                         "corvane_availability_ratio{window=\"90d\"} 0.25\n"
	                         "corvane_availability_ratio{window=\"365d\"} 1\n"
	                         "# HELP corvane_oldest_boot_timestamp_seconds";
	EXPECT_NE(text.find(want), std::string::npos) << text;
}
