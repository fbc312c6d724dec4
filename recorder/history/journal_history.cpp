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

// Each call below returns as sd-journal's calls do: 0 or more when it
// worked, else the errno value of the failure negated.  A failure ends the
// reading; read_journal_history words it once.
#define TRY(call)                                                                                  \
	do {                                                                                       \
		if (int r_ = (call); r_ < 0)                                                       \
			return r_;                                                                 \
	} while (0)

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

int list_boot_ids(sd_journal *j, std::vector<std::string> &ids)
{
	TRY(sd_journal_query_unique(j, "_BOOT_ID"));
	const void *data;
	size_t length;
	constexpr std::string_view prefix = "_BOOT_ID=";
	for (;;) {
		int r = sd_journal_enumerate_unique(j, &data, &length);
		if (r <= 0)
			return r;
		std::string_view text(static_cast<const char *>(data), length);
		if (text.starts_with(prefix))
			ids.emplace_back(text.substr(prefix.size()));
	}
}

// Limits the entries that j walks to those of the boot that hold every
// field value of also (of different fields: the journal ANDs them), and goes
// to the first of them: 1 when there is one, 0 when none.
int first_of_boot(sd_journal *j, const std::string &id, const std::vector<const char *> &also)
{
	sd_journal_flush_matches(j);
	std::string match = "_BOOT_ID=" + id;
	TRY(sd_journal_add_match(j, match.data(), match.size()));
	for (const char *value : also)
		TRY(sd_journal_add_match(j, value, 0));
	TRY(sd_journal_seek_head(j));
	return sd_journal_next(j);
}

constexpr std::string_view version = "Linux version ";

// The kernel's version message of the boot into message, or "".
int version_message(sd_journal *j, const std::string &id, std::string &message)
{
	message.clear();
	int r = first_of_boot(j, id, {"_TRANSPORT=kernel"});
	for (int i = 1; r > 0; i++) {
		std::string text = field(j, "MESSAGE");
		if (text.starts_with(version)) {
			message = text;
			return 0;
		}
		if (i == release_search_limit)
			return 0;
		r = sd_journal_next(j);
	}
	return r < 0 ? r : 0;
}

// The wall clock and the time since the boot of the entry at j's position,
// in microseconds.
struct entry_times {
	int64_t realtime;
	int64_t monotonic;
};

int times_of_entry(sd_journal *j, entry_times &times)
{
	uint64_t realtime;
	uint64_t monotonic;
	sd_id128_t boot;
	TRY(sd_journal_get_realtime_usec(j, &realtime));
	TRY(sd_journal_get_monotonic_usec(j, &monotonic, &boot));
	auto clamp = [](uint64_t usec) {
		return static_cast<int64_t>(std::min<uint64_t>(usec, INT64_MAX));
	};
	times = {clamp(realtime), clamp(monotonic)};
	return 0;
}

// What the journal holds of the boot of the id: 1, or 0 when it holds no
// entry of it.
int read_boot(sd_journal *j, const std::string &id, journal_boot &boot)
{
	int r = first_of_boot(j, id, {});
	if (r <= 0)
		return r;
	entry_times first;
	TRY(times_of_entry(j, first));
	TRY(sd_journal_seek_tail(j));
	r = sd_journal_previous(j);
	if (r <= 0)
		return r;
	entry_times last;
	TRY(times_of_entry(j, last));
	boot = {id, first.realtime, first.monotonic, last.realtime, last.monotonic};
	r = first_of_boot(j, id, reached_shutdown_match);
	TRY(r);
	boot.reached_shutdown = r > 0;
	r = first_of_boot(j, id, logind_shutdown_match);
	TRY(r);
	boot.logind_shutdown = r > 0;
	TRY(version_message(j, id, boot.version_message));
	return 1;
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

int read_journal(sd_journal *j, std::vector<past_boot> &boots, history_status &status)
{
	std::vector<std::string> ids;
	TRY(list_boot_ids(j, ids));
	std::vector<journal_boot> found;
	for (const std::string &id : ids) {
		journal_boot boot = {};
		int r = read_boot(j, id, boot);
		TRY(r);
		if (r > 0)
			found.push_back(boot);
	}
	if (found.empty()) {
		status = history_status::empty;
		return 0;
	}
	status = history_status::read;
	std::vector<past_boot> read = boots_of_journal(found, running_boot_id());
	boots.insert(boots.end(), read.begin(), read.end());
	return 0;
}

#undef TRY

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
                                    std::string *err)
{
	auto unreadable = [&](int error) {
		*err = std::string("cannot read ") + (path ? path : "the journal") + ": " +
		       std::strerror(error);
		return history_status::unreadable;
	};
	sd_journal *opened = nullptr;
	int r;
	if (!path) {
		r = sd_journal_open(&opened, SD_JOURNAL_LOCAL_ONLY);
	} else {
		struct stat st;
		if (stat(path, &st) != 0)
			return errno == ENOENT ? history_status::missing : unreadable(errno);
		if (S_ISDIR(st.st_mode)) {
			r = sd_journal_open_directory(&opened, path, 0);
		} else {
			const char *files[] = {path, nullptr};
			r = sd_journal_open_files(&opened, files, 0);
		}
	}
	if (r < 0)
		return unreadable(-r);
	journal_ptr j(opened);
	history_status status = history_status::empty;
	r = read_journal(j.get(), boots, status);
	return r < 0 ? unreadable(-r) : status;
}
