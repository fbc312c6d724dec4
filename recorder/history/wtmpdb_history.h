// wtmpdb_history.h - the boots that a login database of SQLite remembers.
#ifndef CORVANE_RECORD_WTMPDB_HISTORY_H
#define CORVANE_RECORD_WTMPDB_HISTORY_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recorder/history/history_status.h"
#include "recorder/history/past_boot.h"

// A row of the login database as the reader takes it: a boot's (Type 1,
// User "reboot") or any other (a login, a soft reboot), its times in
// microseconds since the epoch.
struct wtmpdb_row {
	bool boot;
	int64_t login;
	std::optional<int64_t> logout; // none: NULL, or not an integer
	std::string release = {};      // the RemoteHost of a boot's row, as it is
};

// The boots of the rows (in any order), in order of their start, as
// read_wtmpdb_history tells below.
std::vector<past_boot> boots_of_rows(const std::vector<wtmpdb_row> &rows);

// Reads the boot rows of the login database at path into boots, in order of
// their start.  A boot lasted until the end its row holds (written at the
// shutdown: a clean end); a row without one is bounded, as a crash in the
// login accounting file is, by the last login or logout the database holds
// from that boot, and ended uncleanly when a later boot follows it.  A row
// whose end is dated before its start (a clock set back) cannot be bounded:
// the boot is skipped, though it ended cleanly.  Its release is cut as
// cut_release tells (history_values.h).  A file
// that cannot be read, or that is no login database, gives unreadable with
// the message that names path in err.
history_status read_wtmpdb_history(const char *path, std::vector<past_boot> &boots,
                                   std::string *err);

#endif // CORVANE_RECORD_WTMPDB_HISTORY_H
