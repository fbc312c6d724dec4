// metrics.cpp - the records as metrics for Prometheus, in its text exposition
// format, for node_exporter's textfile collector.
#include "recorder/boot_state/metrics.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>

#include <sys/stat.h>

#include "corvane_store.h"

namespace
{

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

std::string metrics_text(const record_figures &f)
{
	std::string text;
	add(text, "boots", "Boots on record, the running one included.", "", number(f.boots));
	if (f.rank > 0) {
		add(text, "uptime_seconds", "Uptime of the running boot.", "",
		    number(f.running_uptime));
		// Named as node_exporter names the kernel's (node_boot_time_seconds),
		// so that a query may take either; this one is the boot time the
		// store keeps the running boot's record under, as the report shows it.
		add(text, "boot_time_seconds",
		    "Start of the running boot as the store keeps it, in seconds since the epoch.",
		    "", number(static_cast<int64_t>(f.running_boot)));
		add(text, "rank",
		    "Rank of the running boot by uptime among the boots on record, 1 for the "
		    "longest.",
		    "", number(f.rank));
		if (f.rank > 1) {
			add(text, "next_rank_uptime_seconds",
			    "Uptime that the running boot must pass to rise one rank.", "",
			    number(f.next_rank_uptime));
			add(text, "first_place_uptime_seconds",
			    "Uptime that the running boot must pass to take first place.", "",
			    number(f.first_place_uptime));
		}
	}
	add(text, "longest_uptime_seconds", "Longest uptime on record.", "", number(f.longest));
	add(text, "recorded_uptime_seconds", "Uptime of all the boots on record.", "",
	    number(f.total_uptime));
	add(text, "recorded_downtime_seconds",
	    "Time down between the boots on record, from the end of each boot to the next.", "",
	    number(f.total_downtime));
	add(text, "availability_ratio",
	    "Share of the time since the oldest boot on record that the machine was up; with "
	    "a window label, of the last 30, 90 or 365 days only.",
	    "", ratio(f.boots > 0 ? f.availability : 1.0));
	// The windows, samples of the same metric, follow it.
	for (const window_ratio &w : f.windows)
		add(text, "availability_ratio", "",
		    ("{window=\"" + std::string(w.label) + "\"}").c_str(), ratio(w.ratio), false);
	if (f.boots > 0)
		add(text, "oldest_boot_timestamp_seconds",
		    "Start of the oldest boot on record, in seconds since the epoch.", "",
		    number(static_cast<int64_t>(f.since)));
	add(text, "ended_boots", "Boots on record by how they ended.", "{end=\"clean\"}",
	    number(f.clean));
	add(text, "ended_boots", "", "{end=\"unclean\"}", number(f.unclean), false);
	// Always there, 0 before the first unclean end: a series that appeared
	// with the first crash would have no earlier value to be compared with.
	add(text, "last_unclean_end_timestamp_seconds",
	    "End of the latest boot on record that ended uncleanly, in seconds since the "
	    "epoch; 0 when none did.",
	    "", number(f.last_unclean_end));
	return text;
}

bool check_metrics_folder(const char *path, std::string *err)
{
	std::string name = path;
	std::size_t slash = name.find_last_of('/');
	std::string dir = slash == std::string::npos ? "."
	                  : slash == 0               ? "/"
	                                             : name.substr(0, slash);
	struct stat st;
	if (stat(dir.c_str(), &st) != 0) {
		*err = "cannot write " + name + ": its folder " + dir + ": " + std::strerror(errno);
		return false;
	}
	if (!S_ISDIR(st.st_mode)) {
		*err = "cannot write " + name + ": " + dir + " is not a folder";
		return false;
	}
	return true;
}

bool write_metrics(const char *path, const record_figures &f, std::string *err)
{
	if (!check_metrics_folder(path, err))
		return false;
	std::string text = metrics_text(f);
	if (replace_file(path, text.data(), text.size()) != 0) {
		*err = std::string("cannot write ") + path + ": " + std::strerror(errno);
		return false;
	}
	return true;
}
