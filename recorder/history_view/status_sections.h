// status_sections.h - what --status tells below its first lines: the range
// asked for, the last 30, 90 and 365 days, how the boots ended, the table of
// the system texts, and the doubtful records.
#ifndef CORVANE_RECORD_STATUS_SECTIONS_H
#define CORVANE_RECORD_STATUS_SECTIONS_H

#include <cstdio>
#include <string>
#include <vector>

#include "recorder/history_view/check.h"
#include "recorder/history_view/release_summary.h"
#include "recorder/history_view/windows.h"

// The availability windows of --status and the metrics: days and label.
struct window_days {
	int days;
	const char *label; // "30d"
};
inline constexpr window_days status_windows[] = {{30, "30d"}, {90, "90d"}, {365, "365d"}};

// A window's figures, as the status and the metrics tell them.
struct window_figure {
	const char *label;
	int days;
	range_time time;
};

// The windows of status_windows that end at now, over the records of list.
std::vector<window_figure> windows_at(const urec *list, int64_t now);

// The line of a range: "range           FROM to TO: up ..., down ...,
// availability ...%".
void print_range(std::FILE *out, const range_time &t);

// The lines of the windows, one each.
void print_windows(std::FILE *out, const std::vector<window_figure> &windows);

// The startups and how they ended, the mean and longest uptime and
// downtime.
void print_ends_summary(std::FILE *out, const ends_summary &s);

// The table of the system texts, a line each, the columns as wide as their
// widest cell and the system text last, so that the columns line up for
// any text.  Control bytes of a text show as '?'.
void print_release_table(std::FILE *out, const std::vector<release_line> &lines);

// The doubtful records (their boot times as local dates), then the
// container's sign once when it is not "".  The lines are those of --check
// indented for the status.
void print_findings(std::FILE *out, const std::vector<finding> &found, const std::string &sign,
                    const char *indent);

// "N doubtful records of M" or "nothing doubtful in M records".
std::string findings_headline(std::size_t found, std::size_t records);

#endif // CORVANE_RECORD_STATUS_SECTIONS_H
