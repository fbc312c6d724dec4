// history_sources.cpp - the history sources that an import reads, and the
// merge and import of their boots.
#include "recorder/history/history_sources.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <paths.h>
#include <sys/stat.h>

#include "recorder/history/merge_history.h"
#include "recorder/history/wtmp_history.h"
#if CORVANE_RECORD_JOURNAL
#include "recorder/history/journal_history.h"
#endif
#if CORVANE_RECORD_WTMPDB
#include "recorder/history/wtmpdb_history.h"
#endif

namespace
{

// A reader of one kind of source: the path of the file to read, null for
// the local machine's journal.
using reader = history_status (*)(const char *path, std::vector<past_boot> &boots,
                                  std::string *err);

// The system's sources.
#ifdef _PATH_WTMP
constexpr const char *system_wtmp = _PATH_WTMP;
#else
constexpr const char *system_wtmp = "/var/log/wtmp";
#endif
constexpr const char *system_wtmpdb = "/var/lib/wtmpdb/wtmp.db";
// The folders of the system's journal, persistent or of the running boot
// alone: one of them exists where the system keeps a journal.
constexpr const char *system_journals[] = {"/var/log/journal", "/run/log/journal"};

#if CORVANE_RECORD_JOURNAL
// Whether the system keeps a journal.
bool system_journal_exists()
{
	struct stat st;
	for (const char *dir : system_journals)
		if (stat(dir, &st) == 0 && S_ISDIR(st.st_mode))
			return true;
	return false;
}
#endif

// A kind of source: what reads it and what it is called.
struct source {
	history_kind kind;
	const char *what;        // how a message names it
	const char *system_path; // the system's; null: the local machine's journal
	reader read;             // null when this build cannot read it
};

const source sources[] = {
#if CORVANE_RECORD_JOURNAL
    {history_kind::journal, "the journal", nullptr, read_journal_history},
#else
    {history_kind::journal, "the journal", nullptr, nullptr},
#endif
#if CORVANE_RECORD_WTMPDB
    {history_kind::wtmpdb, "the login database", system_wtmpdb, read_wtmpdb_history},
#else
    {history_kind::wtmpdb, "the login database", system_wtmpdb, nullptr},
#endif
    {history_kind::wtmp, "the login accounting file", system_wtmp, read_wtmp_history},
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

bool read_histories(const history_request &request, std::vector<history_read> *reads,
                    std::string *err)
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
			*err = std::string("cannot read ") + path +
			       ": this corvane-record was built without " + s.what;
			return false;
		}
		history_read read = {s.kind, path, history_status::missing};
#if CORVANE_RECORD_JOURNAL
		if (s.kind == history_kind::journal && !path && !system_journal_exists()) {
			reads->push_back(std::move(read));
			continue;
		}
#endif
		read.status = s.read(path ? path : s.system_path, read.boots, err);
		if (read.status == history_status::unreadable)
			return false;
		reads->push_back(std::move(read));
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
