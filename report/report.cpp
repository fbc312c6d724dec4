#include "report/report.h"

#include <cstdio>

#include "corvane.h"
#include "driver/credits.h"
#include "driver/settings.h"
#include "report/rows.h"
#include "report/seconds.h"
#include "report/statistics.h"

// The standings of the last pass: read by the statistics and by the follow
// loop's move-up test.
standings_record standings;

// The totals of the last pass, read by its statistics.
totals_record totals;

const char separator_line[] =
    "----------------------------+---------------------------------------------------";

static const char credit_line[] =
    "<small><a href=\"" CORVANE_HOME_PAGE "\">corvane</a> by " VELLIPO_AUTHOR
    " (<a href=\"mailto:" VELLIPO_AUTHOR_MAIL "\">" VELLIPO_AUTHOR_MAIL "</a>)"
    " - currently maintained by " VELLIPO_MAINTAINER " (<a href=\"mailto:" VELLIPO_MAINTAINER_MAIL
    "\">" VELLIPO_MAINTAINER_MAIL "</a>)</small>";

// The label of the current entry's rows.
static const char *current_label()
{
	return run_settings.web_mode ? "-&gt; " : "-> ";
}

static void print_opening(int clear)
{
	if (run_settings.web_mode) {
		if (run_settings.layout == layout_list)
			std::puts("<ol>");
		else if (run_settings.layout == layout_table)
			std::puts("<table border=1>");
		else
			std::puts("<pre>");
	} else if (clear && !run_settings.no_ansi) {
		std::printf("\033[H\033[J");
	}
}

static void print_column_header()
{
	if (run_settings.layout == layout_pre) {
		if (run_settings.show_downtime)
			std::printf("   %3s%21s | %*s %*s\n", "#", "Uptime", 20, "Last downtime",
			            29, "Boot up");
		else
			std::printf("   %3s%21s | %-*s %*s\n", "#", "Uptime", 24, "System", 25,
			            "Boot up");
		std::puts(separator_line);
	} else if (run_settings.layout == layout_table) {
		std::printf("<th>%s</th>\n", "Position");
		std::printf("<th>%s</th>\n", "Uptime");
		std::printf("<th>%s</th>\n",
		            run_settings.show_downtime ? "Last downtime" : "System");
		std::printf("<th>%s</th>\n", "Boot up");
	}
}

// One record's row in the column set the downtime view selects.
static void print_record_row(const struct urec *u, const char *label, int32_t position,
                             int highlight)
{
	if (run_settings.show_downtime)
		render_downtime_row(u->uptime, u->downtime, u->boot_time, label, position,
		                    highlight);
	else
		render_entry_row(u->uptime, u->sysinfo, u->boot_time, label, position, highlight);
}

static void print_closing()
{
	if (run_settings.layout == layout_table)
		std::puts("</table>");
	else if (run_settings.layout == layout_list)
		std::puts("</ul>");
	else
		std::puts("</pre>");
	std::puts(credit_line);
}

void render_report(int clear)
{
	time_t now = time(nullptr);

	print_opening(clear);
	print_column_header();

	urec_list = sort_urec(urec_list, run_settings.sort_order);

	// Print the top entries and note the standings of the printed rows;
	// a current entry further down only tells its position, and stops the
	// ranking there.  The walk goes on to the end for the totals of the
	// statistics only.
	int32_t position = 0;
	bool shown = false;
	bool stopped = false;
	totals = {0, 0, now};
	const struct urec *previous = nullptr;
	for (const struct urec *u = urec_list; u != nullptr; previous = u, u = u->next) {
		totals.up = plus(totals.up, u->uptime);
		totals.down = plus(totals.down, u->downtime);
		if (u->downtime == 0)
			totals.since = u->boot_time;
		if (stopped)
			continue;
		position++;
		if (run_settings.max_entries == 0 || position <= run_settings.max_entries) {
			if (u == u_current) {
				print_record_row(u, current_label(), position, 1);
				shown = true;
				if (previous != nullptr)
					standings.above_current = previous->uptime;
				else
					standings = {};
			} else {
				print_record_row(u, "   ", position, 0);
				if (position == 1)
					standings.first_place = u->uptime;
				else if (position == 2)
					standings.second_place = u->uptime;
				else if (position == 10)
					standings.tenth_place = u->uptime;
			}
		} else if (u == u_current) {
			standings.above_current = previous != nullptr ? previous->uptime : 0;
			stopped = true;
			if (run_settings.no_stats)
				break;
		}
	}

	if (run_settings.web_mode && run_settings.layout == layout_list) {
		std::puts("</ol>");
		std::puts("<ul>");
	}

	if (!shown && !run_settings.no_current && u_current != nullptr) {
		if (run_settings.layout == layout_pre)
			std::puts(separator_line);
		print_record_row(u_current, current_label(), position, 1);
	}

	if (!run_settings.no_stats)
		render_statistics(now);

	if (run_settings.web_mode)
		print_closing();
}
