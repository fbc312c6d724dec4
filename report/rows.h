// The row printers, in the form the page layout selects: the pre form here,
// the list and table forms in web_rows.cpp.
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

#endif
