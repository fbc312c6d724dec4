#ifndef VELLIPO_STATISTICS_H
#define VELLIPO_STATISTICS_H

#include <ctime>

// The lines under the ranking: the places the current entry is to pass or
// holds, the next milestone, the totals and the availability.
void render_statistics(time_t now);

// The availability line: the percentage since the given date.
void render_availability_row(time_t since, float percentage);

#endif
