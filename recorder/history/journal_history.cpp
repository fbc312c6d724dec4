// journal_history.cpp - the boots that the systemd journal remembers, read
// through libsystemd's sd-journal calls.
//
// Every entry carries the id of the boot that wrote it, its wall clock time
// and its time since that boot (CLOCK_MONOTONIC): the boot started at the
// wall clock time less the time since the boot, whichever entry is looked
// at, and the first one is used.  The wall clock may be set during a boot,
// so a boot's uptime is never taken as shorter than its last entry's time
// since the boot.
#include "recorder/history/journal_history.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include <systemd/sd-id128.h>
#include <systemd/sd-journal.h>

#include "recorder/history/history_values.h"
#include "recorder/store_range.h"

namespace
{

// The messages of a shutdown: PID 1's of a unit started, for the shutdown
// target (whoever asked for the shutdown: logind, the host of a container,
// a script that talks to PID 1), and logind's of a shutdown it begins.
const std::vector<const char *> reached_shutdown_match = {
    "MESSAGE_ID=39f53479d3a045ac8e11786248231fbf", "UNIT=shutdown.target", "_PID=1"};
const std::vector<const char *> logind_shutdown_match = {
    "MESSAGE_ID=98268866d1d54a499c4e98921d93bc40"};

// The kernel's messages of a boot looked at for its release: the version
// line is the first one that a kernel logs.
constexpr int release_search_limit = 64;

struct journal_closer {
	void operator()(sd_journal *j) const
	{
		sd_journal_close(j);
	}
};
using journal_ptr = std::unique_ptr<sd_journal, journal_closer>;

// A journal call's failure, as the errno value it returned negated.
struct journal_error {
	int error;
};

int check(int r)
{
	if (r < 0)
		throw journal_error{-r};
	return r;
}

// The value of a field of the entry at j's position, "" when it has none.
std::string field(sd_journal *j, const char *name)
{
	const void *data;
	size_t length;
	if (sd_journal_get_data(j, name, &data, &length) < 0)
		return "";
	std::string text(static_cast<const char *>(data), length);
	std::size_t prefix = std::strlen(name) + 1; // "NAME="
	return text.size() >= prefix ? text.substr(prefix) : "";
}

std::vector<std::string> list_boot_ids(sd_journal *j)
{
	std::vector<std::string> ids;
	check(sd_journal_query_unique(j, "_BOOT_ID"));
	const void *data;
	size_t length;
	constexpr std::string_view prefix = "_BOOT_ID=";
	while (check(sd_journal_enumerate_unique(j, &data, &length)) > 0) {
		std::string_view text(static_cast<const char *>(data), length);
		if (text.starts_with(prefix))
			ids.emplace_back(text.substr(prefix.size()));
	}
	return ids;
}

// Limits the entries that j walks to those of the boot that hold every
// field value of also (of different fields: the journal ANDs them).
void match_boot(sd_journal *j, const std::string &id, const std::vector<const char *> &also)
{
	sd_journal_flush_matches(j);
	std::string match = "_BOOT_ID=" + id;
	check(sd_journal_add_match(j, match.data(), match.size()));
	for (const char *value : also)
		check(sd_journal_add_match(j, value, 0));
}

// Whether the boot has an entry of the field values.
bool has_entry(sd_journal *j, const std::string &id, const std::vector<const char *> &values)
{
	match_boot(j, id, values);
	check(sd_journal_seek_head(j));
	return check(sd_journal_next(j)) > 0;
}

constexpr std::string_view version = "Linux version ";

// The kernel's version message of the boot, or "".
std::string version_message(sd_journal *j, const std::string &id)
{
	match_boot(j, id, {"_TRANSPORT=kernel"});
	check(sd_journal_seek_head(j));
	for (int i = 0; i < release_search_limit && check(sd_journal_next(j)) > 0; i++) {
		std::string message = field(j, "MESSAGE");
		if (message.starts_with(version))
			return message;
	}
	return "";
}

// The wall clock and the time since the boot of the entry at j's position,
// in microseconds.
struct entry_times {
	int64_t realtime;
	int64_t monotonic;
};

entry_times times_of_entry(sd_journal *j)
{
	uint64_t realtime;
	uint64_t monotonic;
	sd_id128_t boot;
	check(sd_journal_get_realtime_usec(j, &realtime));
	check(sd_journal_get_monotonic_usec(j, &monotonic, &boot));
	auto clamp = [](uint64_t usec) {
		return static_cast<int64_t>(std::min<uint64_t>(usec, INT64_MAX));
	};
	return {clamp(realtime), clamp(monotonic)};
}

// What the journal holds of the boot of the id, or false when it holds no
// entry of it.
bool read_boot(sd_journal *j, const std::string &id, journal_boot &boot)
{
	match_boot(j, id, {});
	check(sd_journal_seek_head(j));
	if (check(sd_journal_next(j)) == 0)
		return false;
	entry_times first = times_of_entry(j);
	check(sd_journal_seek_tail(j));
	if (check(sd_journal_previous(j)) == 0)
		return false;
	entry_times last = times_of_entry(j);
	boot = {id, first.realtime, first.monotonic, last.realtime, last.monotonic};
	boot.reached_shutdown = has_entry(j, id, reached_shutdown_match);
	boot.logind_shutdown = has_entry(j, id, logind_shutdown_match);
	boot.version_message = version_message(j, id);
	return true;
}

// The running boot's id, or "" when the kernel does not tell it.
std::string running_boot_id()
{
	sd_id128_t id;
	if (sd_id128_get_boot(&id) < 0)
		return "";
	char text[SD_ID128_STRING_MAX];
	return sd_id128_to_string(id, text);
}

history_status read_journal(sd_journal *j, std::vector<past_boot> &boots)
{
	std::vector<journal_boot> found;
	for (const std::string &id : list_boot_ids(j)) {
		journal_boot boot = {};
		if (read_boot(j, id, boot))
			found.push_back(boot);
	}
	if (found.empty())
		return history_status::empty;
	std::vector<past_boot> read = boots_of_journal(found, running_boot_id());
	boots.insert(boots.end(), read.begin(), read.end());
	return history_status::read;
}

} // namespace

std::vector<past_boot> boots_of_journal(const std::vector<journal_boot> &boots,
                                        const std::string &running)
{
	std::vector<past_boot> found;
	for (const journal_boot &b : boots) {
		past_boot boot = {0, 0, true, ""};
		boot.boot_time = seconds_of(clamped_sum(b.first_realtime, -b.first_monotonic));
		boot.uptime = std::max(clamped_sum(seconds_of(b.last_realtime), -boot.boot_time),
		                       seconds_of(b.last_monotonic));
		boot.boot_id = b.id;
		boot.end =
		    b.reached_shutdown || b.logind_shutdown ? boot_end::clean : boot_end::unclean;
		if (std::string_view(b.version_message).starts_with(version)) {
			std::string_view rest =
			    std::string_view(b.version_message).substr(version.size());
			boot.release =
			    cut_release(rest.substr(0, rest.find(' ')), boot.release_cut);
		}
		found.push_back(boot);
	}
	std::stable_sort(found.begin(), found.end(), [](const past_boot &a, const past_boot &b) {
		return a.boot_time < b.boot_time;
	});
	// No shutdown message tells a crash only where a later boot followed.
	for (past_boot &boot : found)
		if (boot.end == boot_end::unclean &&
		    (&boot == &found.back() || boot.boot_id == running))
			boot.end = boot_end::unknown;
	return found;
}

history_status read_journal_history(const char *path, std::vector<past_boot> &boots,
                                    std::string &error)
{
	sd_journal *opened = nullptr;
	int r;
	if (!path) {
		r = sd_journal_open(&opened, SD_JOURNAL_LOCAL_ONLY);
	} else {
		struct stat st;
		if (stat(path, &st) != 0) {
			int failure = errno;
			error = std::strerror(failure);
			return failure == ENOENT ? history_status::missing
			                         : history_status::unreadable;
		}
		if (S_ISDIR(st.st_mode)) {
			r = sd_journal_open_directory(&opened, path, 0);
		} else {
			const char *files[] = {path, nullptr};
			r = sd_journal_open_files(&opened, files, 0);
		}
	}
	if (r < 0) {
		error = std::strerror(-r);
		return history_status::unreadable;
	}
	journal_ptr j(opened);
	try {
		return read_journal(j.get(), boots);
	} catch (const journal_error &e) {
		error = std::strerror(e.error);
		return history_status::unreadable;
	}
}
