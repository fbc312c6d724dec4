// The row printers, in the form the page layout selects.
#ifndef VELLIPO_ROWS_H
#define VELLIPO_ROWS_H

#include <cstdint>
#include <ctime>

// A row of the system column set: duration, text, date.  Position 0 prints
// an unnumbered row (the statistics).
void render_entry_row(int64_t duration, const char *text, time_t when, const char *label,
                      int32_t position, int highlight);

// A row of the downtime column set: uptime, downtime, boot date.
void render_downtime_row(int64_t uptime, int64_t downtime, time_t when, const char *label,
                         int32_t position, int highlight);

// The longest text time2uptime gives.
constexpr int duration_width = 19;

// Copies a duration's text: each call of time2uptime may reuse the storage
// of the last, so a row with two durations copies both.
void copy_duration(int64_t seconds, char (&buffer)[duration_width + 1]);

// The highlight markers around a row's parts: empty when the row is not
// highlighted or highlighting is off.
const char *highlight_start(int highlight);
const char *highlight_end(int highlight);

// The list and table forms of the row printers.
void render_web_entry_row(int64_t duration, const char *text, time_t when, const char *label,
                          int32_t position, int highlight);
void render_web_downtime_row(int64_t uptime, int64_t downtime, time_t when, int32_t position,
                             int highlight);
void render_web_availability_row(time_t since, float percentage);

#endif
