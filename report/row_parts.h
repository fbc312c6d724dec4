// The parts that every form of a row shares: the highlight markers and the
// copied text of a duration.
#ifndef VELLIPO_ROW_PARTS_H
#define VELLIPO_ROW_PARTS_H

#include <cstdint>

// The longest text time2uptime gives.
constexpr int duration_width = 19;

// Copies a duration's text: each call of time2uptime may reuse the storage
// of the last, so a row with two durations copies both.
void copy_duration(int64_t seconds, char (&buffer)[duration_width + 1]);

// The highlight markers around a row's parts: empty when the row is not
// highlighted or highlighting is off.
const char *highlight_start(int highlight);
const char *highlight_end(int highlight);

#endif
