// history_sources.h - the history sources that an import reads, and the
// merge and import of their boots.
#ifndef CORVANE_RECORD_HISTORY_SOURCES_H
#define CORVANE_RECORD_HISTORY_SOURCES_H

#include <string>
#include <vector>

#include "recorder/history/history_status.h"
#include "recorder/history/import_boots.h"
#include "recorder/history/past_boot.h"

// The kinds of source, in the order in which they are read and merged.
enum class history_kind {
	journal, // the systemd journal
	wtmpdb,  // the login database of SQLite
	wtmp,    // the login accounting file
};

// The sources that the command line names: with none named, import asks
// for every source of the system that exists.
struct history_request {
	bool import = false;
	const char *journal = nullptr; // a journal folder or file
	const char *wtmpdb = nullptr;
	const char *wtmp = nullptr;
};

// A source that was read, and what the import did with its boots.
struct history_read {
	history_kind kind;
	const char *path; // null for the local machine's journal
	history_status status;
	std::vector<past_boot> boots = {};
	import_counts counts = {0, 0, 0, 0};
};

// The system's sources as the help names them, such as "the journal,
// /var/lib/wtmpdb/wtmp.db and /var/log/wtmp".
std::string default_history_names();

// Reads the sources that the request asks for into reads, in the order of
// history_kind.  A source that cannot be read (or that this build cannot
// read) ends the reading: false, with the message that says which and why
// in err.
bool read_histories(const history_request &request, std::vector<history_read> *reads,
                    std::string *err);

// Merges the boots of the sources read into one list, one entry for each
// boot, and adds those the store lacks to urec_list, all in one import (see
// import_boots; current_id is the boot id of u_current's boot, "" when
// unknown).  A boot is counted for the source that knows it longest; for
// every other source that remembers it, it counts as already recorded (or
// as skipped when it could not be imported).
// The end of each boot added, where its source tells it, goes into ends (see
// import_boots).
void import_histories(std::vector<history_read> &reads, const char *sysname,
                      boot_ends *ends = nullptr, bool *ends_changed = nullptr,
                      const char *current_id = "");

// The summary of the import: for each source, what it gave, joined by "; ".
std::string history_summary(const std::vector<history_read> &reads);

#endif // CORVANE_RECORD_HISTORY_SOURCES_H
