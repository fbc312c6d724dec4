// import.h - adding the boots of the login accounting file that the store
// lacks.
#ifndef CORVANE_RECORD_IMPORT_H
#define CORVANE_RECORD_IMPORT_H

#include <cstdint>
#include <vector>

#include "recorder/boot_ends.h"
#include "recorder/boot_history.h"

// What an import did with the boots of the file.
struct import_counts {
	int64_t imported; // added to urec_list
	int64_t known;    // already in the list
	int64_t skipped;  // not bounded, or beyond what the store holds
	int64_t cut = 0;  // of those imported, with a release cut at a control character
};

// Seconds between the kernel's start of a boot, which the recorder stores,
// and the boot record that the system writes once it is up, allowed when a
// boot of the file is matched with a stored one.
constexpr int64_t boot_record_delay = 120;

// Adds to urec_list, with the text "SYSNAME RELEASE" (sysname is the running
// system's name), every boot of the file that the list does not hold yet.  A
// record of the list holds a boot of the file when it started at most
// boot_record_delay seconds before or after it, or when it was up at the
// moment of its boot record: two boots never overlap.  A boot of the file
// that the list does not hold and that cannot be bounded, or whose times the
// store cannot hold, is skipped.
// The end of each boot added, where its source tells it, goes into ends
// (when not NULL), and ends_changed is set then.
import_counts import_boots(const std::vector<past_boot> &boots, const char *sysname,
                           boot_ends *ends = nullptr, bool *ends_changed = nullptr);

#endif // CORVANE_RECORD_IMPORT_H
