// merge_history.h - the boots of several history sources as one list, one
// entry for each boot.
#ifndef CORVANE_RECORD_MERGE_HISTORY_H
#define CORVANE_RECORD_MERGE_HISTORY_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "recorder/history/past_boot.h"

// A boot of the merged list, and the sources that remember it.
struct merged_boot {
	past_boot boot;
	std::size_t source; // the source whose entry lasts longest (the first of equal ones)
	uint32_t sources;   // a bit for each source that remembers it: 1 << index
};

// The boots of the lists (one for each source, at most 32) as one list in
// order of start.  Entries of two sources are one boot when they have the
// same boot id, or when one lacks it and it started at most
// same_boot_window seconds from the boot's start (the earliest start of
// the entries of its boot id; the nearest such boot, never two entries of
// one source); two different boot ids are two boots, however close.  A boot
// of several entries starts at the earliest start and lasts until the
// latest end of a bounded entry; its boot id and release are the first
// non-empty ones in source order (with the release, whether it was cut),
// and its end is clean or unclean where a source knows it (clean where the
// sources disagree: one of them saw the shutdown).
std::vector<merged_boot> merge_histories(const std::vector<std::vector<past_boot>> &lists);

#endif // CORVANE_RECORD_MERGE_HISTORY_H
