// The list and table forms of the row printers, for the web page layouts
// other than pre.
#ifndef VELLIPO_WEB_ROWS_H
#define VELLIPO_WEB_ROWS_H

#include <cstdint>
#include <ctime>

void render_web_entry_row(int64_t duration, const char *text, time_t when, const char *label,
                          int32_t position, int highlight);
void render_web_downtime_row(int64_t uptime, int64_t downtime, time_t when, int32_t position,
                             int highlight);
void render_web_availability_row(time_t since, float percentage);

#endif
