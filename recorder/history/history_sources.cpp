// history_sources.cpp - the history sources that an import reads, and the
// merge and import of their boots.
#include "recorder/history/history_sources.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/stat.h>

#include "recorder/history/merge_history.h"
#if CORVANE_RECORD_JOURNAL
#include "recorder/history/journal_history.h"
#endif
#if CORVANE_RECORD_WTMPDB
#include "recorder/history/wtmpdb_history.h"
#endif

namespace
{

// A reader of one kind of source; a null path names the system's.
using reader = history_status (*)(const char *path, std::vector<past_boot> &boots,
                                  std::string &error);

history_status read_wtmp(const char *path, std::vector<past_boot> &boots, std::string &error)
{
	int failure = 0;
	history_status status =
	    read_boot_history(path ? path : default_boot_history(), boots, failure);
	if (status == history_status::unreadable)
		error = failure == not_login_accounting_file ? "not a login accounting file"
		        : failure == EINVAL                  ? "Not a plain file"
		                                             : std::strerror(failure);
	return status;
}

#if CORVANE_RECORD_WTMPDB
history_status read_wtmpdb(const char *path, std::vector<past_boot> &boots, std::string &error)
{
	return read_wtmpdb_history(path ? path : default_wtmpdb, boots, error);
}
#endif

#if CORVANE_RECORD_JOURNAL
// Whether the system keeps a journal, persistent or of the running boot.
bool system_journal_exists()
{
	struct stat st;
	return (stat("/var/log/journal", &st) == 0 && S_ISDIR(st.st_mode)) ||
	       (stat("/run/log/journal", &st) == 0 && S_ISDIR(st.st_mode));
}
#endif

// A kind of source: what reads it and what it is called.
struct source {
	history_kind kind;
	const char *what;        // how a message names it
	const char *system_path; // the system's, as the summary names it; null: "the journal"
	reader read;             // null when this build cannot read it
};

const source sources[] = {
#if CORVANE_RECORD_JOURNAL
    {history_kind::journal, "the journal", nullptr, read_journal_history},
#else
    {history_kind::journal, "the journal", nullptr, nullptr},
#endif
#if CORVANE_RECORD_WTMPDB
    {history_kind::wtmpdb, "the login database", "/var/lib/wtmpdb/wtmp.db", read_wtmpdb},
#else
    {history_kind::wtmpdb, "the login database", "/var/lib/wtmpdb/wtmp.db", nullptr},
#endif
    {history_kind::wtmp, "the login accounting file", nullptr, read_wtmp},
};

const source &source_of(history_kind kind)
{
	return sources[static_cast<std::size_t>(kind)]; // the table is in the order of the kinds
}

// The name of a source read in messages: its path, or the system's.
std::string name_of(const history_read &read)
{
	if (read.path)
		return read.path;
	if (read.kind == history_kind::wtmp)
		return default_boot_history();
	const source &s = source_of(read.kind);
	return s.system_path ? s.system_path : s.what;
}

} // namespace

std::string default_history_names()
{
	std::string names;
	for (const source &s : sources) {
		if (!s.read)
			continue;
		history_read read = {s.kind, nullptr, history_status::missing};
		if (!names.empty())
			names += &s == &sources[std::size(sources) - 1] ? " and " : ", ";
		names += name_of(read);
	}
	return names;
}

bool read_histories(const history_request &request, std::vector<history_read> &reads,
                    std::string &failure)
{
	const char *named[] = {request.journal, request.wtmpdb, request.wtmp};
	bool any_named = request.journal || request.wtmpdb || request.wtmp;
	if (!request.import && !any_named)
		return true;
	for (const source &s : sources) {
		const char *path = named[static_cast<int>(s.kind)];
		if (any_named && !path)
			continue;
		if (!s.read) {
			if (!any_named)
				continue; // the system's, where this build cannot read it
			failure = std::string("cannot read ") + path +
			          ": this corvane-record was built without " + s.what;
			return false;
		}
		history_read read = {s.kind, path, history_status::missing};
#if CORVANE_RECORD_JOURNAL
		if (s.kind == history_kind::journal && !path && !system_journal_exists()) {
			reads.push_back(std::move(read));
			continue;
		}
#endif
		std::string error;
		read.status = s.read(path, read.boots, error);
		if (read.status == history_status::unreadable) {
			failure = "cannot read " + name_of(read) + ": " + error;
			return false;
		}
		reads.push_back(std::move(read));
	}
	return true;
}

void import_histories(std::vector<history_read> &reads, const char *sysname, boot_ends *ends,
                      bool *ends_changed, const char *current_id)
{
	std::vector<std::vector<past_boot>> lists;
	for (const history_read &read : reads)
		lists.push_back(read.boots);
	std::vector<merged_boot> merged = merge_histories(lists);
	std::vector<past_boot> boots;
	boots.reserve(merged.size());
	for (const merged_boot &m : merged)
		boots.push_back(m.boot);
	std::vector<import_outcome> outcomes;
	import_boots(boots, sysname, ends, ends_changed, current_id, &outcomes);
	for (std::size_t b = 0; b < merged.size(); b++) {
		import_outcome outcome = outcomes[b];
		for (std::size_t i = 0; i < reads.size(); i++) {
			import_counts &c = reads[i].counts;
			if (i == merged[b].source) {
				c.imported += outcome == import_outcome::imported;
				c.known += outcome == import_outcome::known;
				c.skipped += outcome == import_outcome::skipped;
				c.cut +=
				    outcome == import_outcome::imported && boots[b].release_cut;
			} else if (merged[b].sources & (uint32_t{1} << i)) {
				c.known += outcome != import_outcome::skipped;
				c.skipped += outcome == import_outcome::skipped;
			}
		}
	}
}

std::string history_summary(const std::vector<history_read> &reads)
{
	std::string summary;
	for (const history_read &read : reads) {
		if (!summary.empty())
			summary += "; ";
		std::string name = name_of(read);
		const import_counts &c = read.counts;
		if (read.status == history_status::missing)
			summary += "no boot history to import: " + name + " does not exist";
		else if (read.status == history_status::empty)
			summary += "no boot history to import: " + name + " is empty";
		else
			summary += "imported " + std::to_string(c.imported) +
			           (c.imported == 1 ? " boot" : " boots") + " from " + name + ", " +
			           std::to_string(c.known) + " already recorded, skipped " +
			           std::to_string(c.skipped) + " that could not be bounded" +
			           (c.cut > 0 ? " (" + std::to_string(c.cut) +
			                            (c.cut == 1 ? " release" : " releases") +
			                            " cut at a byte a release cannot hold)"
			                      : "");
	}
	return summary;
}
