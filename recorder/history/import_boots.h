// import_boots.h - adding the boots of the history sources that the store lacks.
#ifndef CORVANE_RECORD_IMPORT_BOOTS_H
#define CORVANE_RECORD_IMPORT_BOOTS_H

#include <cstdint>
#include <vector>

#include "recorder/boot_state/boot_ends.h"
#include "recorder/history/past_boot.h"

// What an import did with the boots of the file.
struct import_counts {
	int64_t imported; // added to urec_list
	int64_t known;    // already in the list
	int64_t skipped;  // not bounded, beyond what the store holds, or overlapping another boot
	int64_t cut = 0;  // of those imported, with a release cut (see cut_release)
};

// What became of one boot offered to the import.
enum class import_outcome {
	imported,
	known,
	skipped,
};

// Adds to urec_list, with the text "SYSNAME RELEASE" (sysname is the running
// system's name), every boot of boots that the list does not hold yet.  The
// boots are taken in order of their start, each against the records of the
// list, those it added before included, so that the result does not depend
// on how the boots are grouped into calls:
// - a record is the same boot (known) when both carry a boot id and it is
//   the same; where either lacks one (a source without ids, the login
//   accounting file; a stored record, of which only the running boot's id,
//   current_id, is known; ids are compared without their dashes and
//   capitals, as the kernel and the journal write them differently), when
//   it started at most same_boot_window
//   seconds before or after the boot, or was up at the boot's start;
// - a boot that no record holds and that would overlap a record (a clock
//   set back over a reboot) cannot be bounded honestly, and is skipped: two
//   boots never overlap;
// - so is a boot that cannot be bounded, or whose times the store cannot
//   hold.
// A boot added takes its boot id into the list, for the boots after it.
// The end of each boot added, where its source tells it, goes into ends
// (when not NULL), and ends_changed is set then; an end that ends holds
// already (a clean end of a shutdown run) is never replaced.  outcomes,
// when not NULL, gets what became of each boot, in the order of boots.
import_counts import_boots(const std::vector<past_boot> &boots, const char *sysname,
                           boot_ends *ends = nullptr, bool *ends_changed = nullptr,
                           const char *current_id = "",
                           std::vector<import_outcome> *outcomes = nullptr);

#endif // CORVANE_RECORD_IMPORT_BOOTS_H
