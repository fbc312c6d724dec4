// status_sections.cpp - what --status tells below its first lines:
//
//   last 30 days    up 29 days, 23:00:00, down 0 days, 01:00:00, availability 99.861%
//   last 90 days    ...
//   last 365 days   ...
//   startups        42; shutdowns 30 clean, 2 unclean, 9 unknown, 1 still running
//   mean uptime     3 days, 01:00:00, longest 45 days, 03:02:01
//   mean downtime   0 days, 07:00:00, longest 5 days, 00:00:00
//   suspended       0 days, 02:00:00 of 9 days, 03:00:00 up, running ... (3 boots ...)
//
//   boots  clean  unclean  unknown  longest uptime    ...  available  system
//      30     28        1        1  45 days, 03:02:01 ...    99.100%  Linux 6.1.0-28-amd64
//
//   check           nothing doubtful in 42 records
#include "recorder/history_view/status_sections.h"

#include <cinttypes>
#include <ctime>

#include "corvane.h"

namespace
{

// A date as "YYYY-MM-DD HH:MM:SS" local time, as the first lines have it.
std::string date(int64_t when)
{
	auto t = static_cast<time_t>(when);
	struct tm tm;
	char buf[40];
	if (!localtime_r(&t, &tm) || std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm) == 0)
		std::snprintf(buf, sizeof buf, "%" PRId64, when);
	return buf;
}

std::string percent(double ratio)
{
	char buf[32];
	std::snprintf(buf, sizeof buf, "%.3f%%", ratio * 100);
	return buf;
}

void print_time(std::FILE *out, const range_time &t)
{
	std::fprintf(out, "up %s", time2uptime(t.uptime));
	std::fprintf(out, ", down %s, availability %s\n", time2uptime(t.downtime),
	             percent(availability_of(t)).c_str());
}

} // namespace

std::vector<window_figure> windows_at(const urec *list, int64_t now)
{
	std::vector<window_figure> figures;
	for (const window_days &w : status_windows)
		figures.push_back({w.label, w.days, time_in_range(list, last_days(now, w.days))});
	return figures;
}

void print_range(std::FILE *out, const range_time &t)
{
	std::fprintf(out, "range           %s to %s: ", date(t.from).c_str(), date(t.to).c_str());
	print_time(out, t);
}

void print_windows(std::FILE *out, const std::vector<window_figure> &windows)
{
	for (const window_figure &w : windows) {
		char label[32];
		std::snprintf(label, sizeof label, "last %d days", w.days);
		std::fprintf(out, "%-16s", label);
		print_time(out, w.time);
	}
}

void print_ends_summary(std::FILE *out, const ends_summary &s)
{
	std::fprintf(out,
	             "startups        %" PRId64 "; shutdowns %" PRId64 " clean, %" PRId64
	             " unclean, %" PRId64 " unknown, %" PRId64 " still running\n",
	             s.startups, s.clean, s.unclean, s.unknown, s.running);
	std::fprintf(out, "mean uptime     %s", time2uptime(average(s.total_uptime, s.startups)));
	std::fprintf(out, ", longest %s\n", time2uptime(s.longest_uptime));
	std::fprintf(out, "mean downtime   %s",
	             time2uptime(average(s.total_downtime, s.downtimes)));
	std::fprintf(out, ", longest %s\n", time2uptime(s.longest_downtime));
	// The uptime counts the time suspended: where it is known, the
	// running and the sleeping time apart.
	if (s.asleep_boots > 0) {
		std::fprintf(out, "suspended       %s", time2uptime(s.suspended));
		std::fprintf(out, " of %s up, running ", time2uptime(s.asleep_uptime));
		std::fprintf(out, "%s (%" PRId64 " boot%s whose time suspended is known)\n",
		             time2uptime(s.asleep_uptime - s.suspended), s.asleep_boots,
		             s.asleep_boots == 1 ? "" : "s");
	}
}

void print_release_table(std::FILE *out, const std::vector<release_line> &lines)
{
	const char *heads[] = {"boots",        "clean",          "unclean",
	                       "unknown",      "longest uptime", "average uptime",
	                       "total uptime", "available",      "system"};
	constexpr std::size_t columns = std::size(heads);
	std::vector<std::vector<std::string>> cells;
	for (const release_line &l : lines) {
		std::string system;
		for (unsigned char c : l.system)
			system += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
		double ratio =
		    l.time > 0 ? static_cast<double>(l.uptime) / static_cast<double>(l.time) : 1.0;
		cells.push_back({std::to_string(l.boots), std::to_string(l.clean),
		                 std::to_string(l.unclean), std::to_string(l.unknown),
		                 time2uptime(l.longest), time2uptime(average(l.uptime, l.boots)),
		                 time2uptime(l.uptime), percent(ratio), system});
	}
	std::size_t width[columns];
	for (std::size_t i = 0; i < columns; i++) {
		width[i] = std::char_traits<char>::length(heads[i]);
		for (const auto &row : cells)
			width[i] = std::max(width[i], row[i].size());
	}
	// Numbers to the right, durations to the left, the text last, unpadded.
	auto print_row = [&](const std::vector<std::string> &row) {
		std::string line;
		for (std::size_t i = 0; i < columns; i++) {
			bool right = i < 4 || i == 7;
			std::string pad(width[i] - row[i].size(), ' ');
			if (i > 0)
				line += "  ";
			if (i + 1 == columns)
				line += row[i];
			else
				line += right ? pad + row[i] : row[i] + pad;
		}
		std::fprintf(out, "%s\n", line.c_str());
	};
	print_row(std::vector<std::string>(std::begin(heads), std::end(heads)));
	for (const auto &row : cells)
		print_row(row);
}

void print_findings(std::FILE *out, const std::vector<finding> &found, const std::string &sign,
                    const char *indent)
{
	for (const finding &f : found)
		std::fprintf(out, "%sboot of %s %s\n", indent, date(f.boot_time).c_str(),
		             f.what.c_str());
	if (!sign.empty())
		std::fprintf(out,
		             "%sthis run is inside a container (%s): the running boot's id and "
		             "uptime are the host's\n",
		             indent, sign.c_str());
}

std::string findings_headline(std::size_t found, std::size_t records)
{
	if (found == 0)
		return "nothing doubtful in " + std::to_string(records) +
		       (records == 1 ? " record" : " records");
	return std::to_string(found) +
	       (found == 1 ? " doubtful record of " : " doubtful records of ") +
	       std::to_string(records);
}
