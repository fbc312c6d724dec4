// boot_rows.h - the history as one row per boot, oldest first, the running
// boot last, cut to a range: what the export prints, and what the summary
// and the check of --status count.
#ifndef CORVANE_RECORD_BOOT_ROWS_H
#define CORVANE_RECORD_BOOT_ROWS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane.h"
#include "recorder/boot_state/boot_ends.h"
#include "recorder/history_view/time_range.h"

// How a boot ended, the running boot apart.
enum class boot_outcome { clean, unclean, unknown, running };

// "clean", "unclean", "unknown" or "running".
const char *outcome_name(boot_outcome outcome);

// How the boot of rec ended: running when it is current, else as ends tells.
boot_outcome outcome_of(const urec *rec, const urec *current, const boot_ends &ends);

struct boot_row {
	const urec *rec;                  // its record: the system text, the stored times
	int64_t start;                    // its boot time, or the range's start that cuts it
	int64_t end;                      // start + uptime, or the range's end that cuts it
	int64_t downtime;                 // from the end of the boot before it (or the range's
	                                  // start) to start, 0 when they overlap
	boot_outcome outcome;             // how it ended
	std::string boot_id;              // the kernel's boot id, "" when the store lacks it
	const char *source;               // where the record came from, "" when the store lacks it
	std::optional<int64_t> suspended; // seconds suspended, when known
};

// The rows of the records of list (in any order), current the running boot
// (NULL for none), whose boot id is running_id ("" when unknown); the ends
// tell how the others ended.  Only the boots of range show, cut to it: a boot
// that starts before its start or ends after its end counts the part inside.
// The store keeps no boot id and no source of a past boot: the running
// boot's are the boot mark's and "recorder", this run's own.  The running
// boot spent running_suspended seconds suspended (-1: unknown), the ended
// boots what ends notes.
std::vector<boot_row> boot_rows(const urec *list, const urec *current, const boot_ends &ends,
                                const std::string &running_id, const time_range &range,
                                int64_t running_suspended = -1);

#endif // CORVANE_RECORD_BOOT_ROWS_H
