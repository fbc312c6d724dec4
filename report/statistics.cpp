#include "report/statistics.h"

#include <cstdint>
#include <cstdio>

#include "corvane.h"
#include "driver/settings.h"
#include "report/dates.h"
#include "report/report.h"
#include "report/rows.h"
#include "report/web_rows.h"
#include "report/seconds.h"

// A row of the block: a duration to go and the date it is reached.
static void print_row(const char *label, int64_t duration, const char *text, int64_t when)
{
	render_entry_row(duration, text, static_cast<time_t>(when), label, 0, 0);
}

void render_statistics(time_t now)
{
	const int64_t cur = u_current->uptime;
	const int64_t above = standings.above_current;
	const int64_t first = standings.first_place;
	const int64_t tenth = standings.tenth_place;
	const int64_t second = standings.second_place;

	if (run_settings.layout == layout_pre)
		std::puts(separator_line);

	if (above != 0 && above != first)
		print_row("1up in", plus(minus(above, cur), 1), "at", plus(now, minus(above, cur)));
	if (tenth != 0 && above <= tenth && above != first)
		print_row("t10 in", plus(minus(tenth, cur), 1), "at", plus(now, minus(tenth, cur)));
	if (first != 0)
		print_row("no1 in", plus(minus(first, cur), 1), "at", plus(now, minus(first, cur)));
	else
		print_row("NewRec", minus(minus(cur, second), 1), "since",
		          minus(now, minus(cur, second)));

	if (run_settings.show_milestone) {
		const struct milestone *next = find_next_milestone(cur);
		if (next != nullptr)
			print_row("mst in", plus(minus(next->time, cur), 1), next->description,
			          plus(now, minus(next->time, cur)));
	}

	// The totals of every record, shown or not, as the pass noted them.
	const int64_t up = totals.up;
	const int64_t down = totals.down;
	const time_t since = totals.since;
	print_row("up", up, "since", since);
	print_row("down", down, "since", since);

	float availability = static_cast<float>(up) / static_cast<float>(plus(up, down)) * 100.0F;
	render_availability_row(since, availability);
}

void render_availability_row(time_t since, float percentage)
{
	if (run_settings.layout != layout_pre) {
		render_web_availability_row(since, percentage);
		return;
	}
	char date[date_size];
	short_date_text(since, date);
	std::printf("%6s %20.3f | %-*s %*s\n", "%up", static_cast<double>(percentage), 24, "since",
	            25, date);
}
