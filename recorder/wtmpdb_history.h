// wtmpdb_history.h - the boots that a login database of SQLite remembers.
#ifndef CORVANE_RECORD_WTMPDB_HISTORY_H
#define CORVANE_RECORD_WTMPDB_HISTORY_H

#include <string>
#include <vector>

#include "recorder/boot_history.h"
#include "recorder/past_boot.h"

// The system's login database.
constexpr const char *default_wtmpdb = "/var/lib/wtmpdb/wtmp.db";

// Reads the boot rows of the login database at path into boots, in order of
// their start.  A boot lasted until the end its row holds (written at the
// shutdown: a clean end); a row without one is bounded, as a crash in the
// login accounting file is, by the last login or logout the database holds
// from that boot, and ended uncleanly when a later boot follows it.  A file
// that cannot be read, or that is no login database, gives unreadable with
// the reason in error.
history_status read_wtmpdb_history(const char *path, std::vector<past_boot> &boots,
                                   std::string &error);

#endif // CORVANE_RECORD_WTMPDB_HISTORY_H
