// The list and table forms of the row printers, for web pages.
#include <cstdio>
#include <cstring>

#include "corvane.h"
#include "driver/settings.h"
#include "report/dates.h"
#include "report/row_parts.h"
#include "report/web_rows.h"

// Marks the current entry's row besides its bold markers; kept without
// highlighting.
static const char *current_suffix(int highlight)
{
	return highlight ? " (current)" : "";
}

// The statistics labels that read differently on a list or table page.
static const char *web_label(const char *label)
{
	if (std::strcmp(label, "1up in") == 0)
		return "One up in";
	if (std::strcmp(label, "no1 in") == 0)
		return "Number one in";
	return label;
}

// The three cells after the first of a table row.
static void print_cells(const char *start, const char *first, const char *second, const char *third,
                        const char *end)
{
	std::printf("<td>%s%s%s</td>\n", start, first, end);
	std::printf("<td>%s%s%s</td>\n", start, second, end);
	std::printf("<td>%s%s%s</td>\n", start, third, end);
	std::puts("</tr>");
}

// A numbered list item: two texts and the date, with the position when the
// row lies beyond the shown entries.  The item's only line end is the date's.
static void print_list_item(const char *first, const char *second, const char *date,
                            int32_t position, int highlight)
{
	const char *start = highlight_start(highlight);
	const char *end = highlight_end(highlight);
	if (position > run_settings.max_entries)
		std::printf("<li>%s%s, %s, %s%s%s (position %d)", start, first, second, date, end,
		            current_suffix(highlight), position);
	else
		std::printf("<li>%s%s, %s, %s%s%s", start, first, second, date, end,
		            current_suffix(highlight));
}

// A numbered table row.
static void print_table_row(const char *first, const char *second, const char *date,
                            int32_t position, int highlight)
{
	const char *start = highlight_start(highlight);
	const char *end = highlight_end(highlight);
	std::puts("<tr>");
	std::printf("<td>%s%d%s%s</td>\n", start, position, end, current_suffix(highlight));
	print_cells(start, first, second, date, end);
}

void render_web_entry_row(int64_t duration, const char *text, time_t when, const char *label,
                          int32_t position, int highlight)
{
	const char *date = date_text(when);
	const char *uptime = time2uptime(duration);
	if (position != 0) {
		if (run_settings.layout == layout_list)
			print_list_item(uptime, text, date, position, highlight);
		else
			print_table_row(uptime, text, date, position, highlight);
		return;
	}
	const char *start = highlight_start(highlight);
	const char *end = highlight_end(highlight);
	if (run_settings.layout == layout_list) {
		std::printf("<li>%s%s %s %s %s%s", start, web_label(label), uptime, text, date,
		            end);
	} else {
		std::puts("<tr>");
		std::printf("<td>%s</td>\n", web_label(label));
		print_cells(start, uptime, text, date, end);
	}
}

void render_web_downtime_row(int64_t uptime, int64_t downtime, time_t when, int32_t position,
                             int highlight)
{
	char up[duration_width + 1];
	char down[duration_width + 1];
	copy_duration(uptime, up);
	copy_duration(downtime, down);
	const char *date = date_text(when);
	if (run_settings.layout == layout_list)
		print_list_item(up, down, date, position, highlight);
	else
		print_table_row(up, down, date, position, highlight);
}

void render_web_availability_row(time_t since, float percentage)
{
	const char *label = "Availability (%)";
	const char *date = date_text(since);
	if (run_settings.layout == layout_list) {
		std::printf("<li>%s %.3f since %s", label, static_cast<double>(percentage), date);
	} else {
		std::puts("<tr>");
		std::printf("<td>%s</td>\n", label);
		std::printf("<td>%.3f</td>\n", static_cast<double>(percentage));
		std::puts("<td>since</td>");
		std::printf("<td>%s</td>\n", date);
		std::puts("</tr>");
	}
}
