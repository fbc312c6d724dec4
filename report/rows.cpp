#include "report/rows.h"

#include <cstdio>
#include <cstring>

#include "corvane.h"
#include "driver/settings.h"
#include "report/dates.h"
#include "report/row_parts.h"
#include "report/web_rows.h"

// Width of the system column; longer texts are cut unless the output is wide.
constexpr size_t system_width = 24;

// The text of the system column, cut to its width unless the output is wide.
static const char *column_text(const char *text, char (&buffer)[system_width + 1])
{
	if (run_settings.wide || std::strlen(text) <= system_width)
		return text;
	std::memcpy(buffer, text, system_width);
	buffer[system_width] = '\0';
	return buffer;
}

void render_entry_row(int64_t duration, const char *text, time_t when, const char *label,
                      int32_t position, int highlight)
{
	if (run_settings.layout != layout_pre) {
		render_web_entry_row(duration, text, when, label, position, highlight);
		return;
	}
	const char *start = highlight_start(highlight);
	const char *end = highlight_end(highlight);
	char date[date_size];
	char cut[system_width + 1];
	short_date_text(when, date);
	text = column_text(text, cut);
	if (position != 0)
		std::printf("%s%3s%3d%21s %s|%s %-*s %*s%s\n", start, label, position,
		            time2uptime(duration), end, start, 24, text, 25, date, end);
	else
		std::printf("%s%6s%21s %s|%s %-*s %*s%s\n", start, label, time2uptime(duration),
		            end, start, 24, text, 25, date, end);
}

void render_downtime_row(int64_t uptime, int64_t downtime, time_t when, const char *label,
                         int32_t position, int highlight)
{
	if (run_settings.layout != layout_pre) {
		render_web_downtime_row(uptime, downtime, when, position, highlight);
		return;
	}
	const char *start = highlight_start(highlight);
	const char *end = highlight_end(highlight);
	char up[duration_width + 1];
	char down[duration_width + 1];
	char date[date_size];
	copy_duration(uptime, up);
	copy_duration(downtime, down);
	short_date_text(when, date);
	std::printf("%s%3s%3d%21s %s|%s %*s %*s%s\n", start, label, position, up, end, start, 20,
	            down, 29, date, end);
}
