// wtmp_history.cpp - the boots that the login accounting file remembers.
//
// The file holds a record for each boot (type BOOT_TIME, the kernel release
// as its host) and each shutdown (type RUN_LVL, user "shutdown"), among the
// logins.  A boot that a shutdown record ends lasted until it and ended
// cleanly.  A boot that the next boot record ends with no shutdown between
// crashed: it lasted until the last record the file holds from it (a login
// or a logout), which leaves the downtime before the next boot; with no such
// record it cannot be bounded.  A boot record dated before the records
// already in the file was written before the clock was set (a board without
// a battery clock): such a boot cannot be bounded honestly either.
#include "recorder/history/wtmp_history.h"
#include "recorder/history/history_values.h"
#include "recorder/plain_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <unistd.h>

#ifdef __linux__
#include <utmpx.h>
#endif

namespace
{

#ifdef __linux__
// A text field of a record, which need not end with a NUL.
template <std::size_t N> std::string field(const char (&text)[N])
{
	return std::string(text, strnlen(text, N));
}

// The release of a boot record, cut as every source's release is (see
// cut_release): cut tells whether it was cut.
std::string release_of(const struct utmpx *ut, bool &cut)
{
	return cut_release(field(ut->ut_host), cut);
}

// Reads the records after utmpxname has named the file; false when its first
// record has a type that no record has: it is not a login accounting file.
// A record of such a type further on (a damaged file) is passed over, as is
// a record cut short at the end of the file (a write that was cut).
bool read_records_of_file(std::vector<past_boot> &boots)
{
	bool first = true;
	setutxent();
	bool open_boot = false;     // the last boot waits for its end
	bool clock_unset = false;   // the last boot's record predates the file's
	int64_t last_seen = 0;      // the last record's time in that boot
	int64_t latest = INT64_MIN; // the latest time of any record so far
	while (const struct utmpx *ut = getutxent()) {
		if (first && (ut->ut_type < EMPTY || ut->ut_type > ACCOUNTING)) {
			endutxent();
			return false;
		}
		first = false;
		auto when = static_cast<int64_t>(ut->ut_tv.tv_sec);
		bool boot = ut->ut_type == BOOT_TIME;
		bool shutdown = ut->ut_type == RUN_LVL && field(ut->ut_user) == "shutdown";
		if (open_boot && (boot || shutdown)) {
			past_boot &last = boots.back();
			int64_t end = shutdown ? when : last_seen;
			last.end = shutdown ? boot_end::clean : boot_end::unclean;
			if (!clock_unset && end >= last.boot_time &&
			    (shutdown || end > last.boot_time)) {
				last.uptime = end - last.boot_time;
				last.bounded = true;
			}
			open_boot = false;
		}
		if (boot) {
			bool cut = false;
			past_boot b = {when, 0, false, release_of(ut, cut)};
			b.release_cut = cut;
			boots.push_back(b);
			open_boot = true;
			clock_unset = latest != INT64_MIN && when < latest - unset_clock_margin;
			last_seen = when;
		} else if (open_boot && when > last_seen) {
			last_seen = when;
		}
		latest = std::max(latest, when);
	}
	endutxent();
	return true;
}
#endif

} // namespace

history_status read_wtmp_history(const char *path, std::vector<past_boot> &boots, std::string *err)
{
	auto unreadable = [&](const std::string &reason) {
		*err = std::string("cannot read ") + path + ": " + reason;
		return history_status::unreadable;
	};
	// The utmpx calls tell neither a missing file nor a read error from
	// the end of the records: the file is looked at first.
	struct stat st;
	int fd = open_plain_file(path, st);
	if (fd < 0)
		return errno == ENOENT ? history_status::missing
		                       : unreadable(plain_file_reason(errno));
	int error = 0;
	char byte;
	errno = 0;
	if (st.st_size > 0 && read(fd, &byte, 1) != 1)
		error = errno != 0 ? errno : EIO;
	close(fd);
	if (error != 0)
		return unreadable(plain_file_reason(error));
	if (st.st_size == 0)
		return history_status::empty;
#ifdef __linux__
	const char *not_wtmp = "not a login accounting file";
	if (st.st_size < static_cast<off_t>(sizeof(struct utmpx)))
		return unreadable(not_wtmp);
	if (utmpxname(path) != 0)
		return unreadable(plain_file_reason(errno));
	if (!read_records_of_file(boots))
		return unreadable(not_wtmp);
	return history_status::read;
#else
	(void)boots;
	return unreadable(plain_file_reason(ENOSYS));
#endif
}
