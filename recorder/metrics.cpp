// metrics.cpp - the records as metrics for Prometheus, in its text exposition
// format, for node_exporter's textfile collector.
#include "recorder/metrics.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace
{

// a + b, held within the range of int64_t.
int64_t sum(int64_t a, int64_t b)
{
	int64_t total;
	if (!__builtin_add_overflow(a, b, &total))
		return total;
	return b < 0 ? INT64_MIN : INT64_MAX;
}

// Adds one metric of one sample, its label set in labels ("" for none).
void add(std::string &text, const char *name, const char *help, const char *labels,
         const std::string &value, bool with_header = true)
{
	if (with_header) {
		text += std::string("# HELP corvane_") + name + " " + help + "\n";
		text += std::string("# TYPE corvane_") + name + " gauge\n";
	}
	text += std::string("corvane_") + name + labels + " " + value + "\n";
}

std::string number(int64_t value)
{
	return std::to_string(value);
}

// The shortest text that reads back as the same number.
std::string ratio(double value)
{
	char text[32];
	auto result = std::to_chars(text, text + sizeof text, value);
	return std::string(text, result.ptr);
}

} // namespace

std::string metrics_text(const urec *list, const urec *current, const boot_end_counts *ends)
{
	std::vector<const urec *> records;
	for (const urec *rec = list; rec; rec = rec->next)
		records.push_back(rec);
	std::stable_sort(records.begin(), records.end(),
	                 [](const urec *a, const urec *b) { return a->boot_time < b->boot_time; });

	// The totals, with the downtime before each boot since the end of the
	// one before it, as the store's reader counts it.
	int64_t up = 0;
	int64_t down = 0;
	int64_t longest = 0;
	const urec *previous = nullptr;
	for (const urec *rec : records) {
		up = sum(up, rec->uptime);
		longest = std::max(longest, rec->uptime);
		if (previous) {
			int64_t end =
			    sum(static_cast<int64_t>(previous->boot_time), previous->uptime);
			int64_t gap;
			if (__builtin_sub_overflow(static_cast<int64_t>(rec->boot_time), end, &gap))
				gap = INT64_MAX;
			down = sum(down, std::max<int64_t>(0, gap));
		}
		previous = rec;
	}

	std::string text;
	add(text, "boots", "Boots on record, the running one included.", "",
	    number(static_cast<int64_t>(records.size())));
	if (current) {
		// Its rank, and the uptimes of the boot just above it and of the
		// first.
		int64_t above = INT64_MAX;
		int64_t first = 0;
		int64_t rank = 1;
		for (const urec *rec : records) {
			if (rec == current || rec->uptime < current->uptime)
				continue;
			rank++;
			above = std::min(above, rec->uptime);
			first = std::max(first, rec->uptime);
		}
		add(text, "uptime_seconds", "Uptime of the running boot.", "",
		    number(current->uptime));
		add(text, "rank",
		    "Rank of the running boot by uptime among the boots on record, 1 for the "
		    "longest.",
		    "", number(rank));
		if (rank > 1) {
			add(text, "next_rank_uptime_seconds",
			    "Uptime that the running boot must pass to rise one rank.", "",
			    number(above));
			add(text, "first_place_uptime_seconds",
			    "Uptime that the running boot must pass to take first place.", "",
			    number(first));
		}
	}
	add(text, "longest_uptime_seconds", "Longest uptime on record.", "", number(longest));
	add(text, "recorded_uptime_seconds", "Uptime of all the boots on record.", "", number(up));
	add(text, "recorded_downtime_seconds",
	    "Time down between the boots on record, from the end of each boot to the next.", "",
	    number(down));
	add(text, "availability_ratio",
	    "Share of the time since the oldest boot on record that the machine was up.", "",
	    ratio(up + down > 0 ? static_cast<double>(up) /
	                              (static_cast<double>(up) + static_cast<double>(down))
	                        : 1.0));
	if (!records.empty())
		add(text, "oldest_boot_timestamp_seconds",
		    "Start of the oldest boot on record, in seconds since the epoch.", "",
		    number(static_cast<int64_t>(records.front()->boot_time)));
	if (ends) {
		add(text, "ended_boots", "Boots on record by how they ended.", "{end=\"clean\"}",
		    number(ends->clean));
		add(text, "ended_boots", "", "{end=\"unclean\"}", number(ends->unclean), false);
	}
	return text;
}

int write_metrics(const char *path, const boot_end_counts *ends)
{
	std::string text = metrics_text(urec_list, u_current, ends);
	return replace_file(path, text.data(), text.size());
}
