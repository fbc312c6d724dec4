#ifndef VELLIPO_REPORT_H
#define VELLIPO_REPORT_H

#include <cstdint>
#include <ctime>

// Uptimes noted while a pass walks the ranking, kept from one pass to the
// next: a pass overwrites only what its walk meets.
struct standings_record {
	int64_t above_current; // the record ranked just above the current entry
	int64_t first_place;   // position 1, when it is not the current entry
	int64_t tenth_place;   // position 10, when it is not the current entry
	int64_t second_place;  // position 2, when it is not the current entry
};

extern standings_record standings;

// The sums over every record, shown or not, that a pass notes for its
// statistics while it walks the ranking.
struct totals_record {
	int64_t up;   // the uptimes
	int64_t down; // the downtimes
	time_t since; // the boot time of the last record in list order that
	              // followed no downtime; the pass's time when none did
};

extern totals_record totals;

// The line between the column header and the rows, and above the extra row
// and the statistics.
extern const char separator_line[];

// One report pass; clear asks for the screen to be cleared first.
void render_report(int clear);

#endif
