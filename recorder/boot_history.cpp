// boot_history.cpp - the boots that the login accounting file remembers.
//
// The file holds a record for each boot (type BOOT_TIME, the kernel release
// as its host) and each shutdown (type RUN_LVL, user "shutdown"), among the
// logins.  A boot lasted until the record of the next boot or shutdown: a
// crash leaves no shutdown record, and the next boot bounds it instead.
#include "recorder/boot_history.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <paths.h>
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

// Reads the records after utmpxname has named the file.
void read_records_of_file(std::vector<past_boot> &boots)
{
	setutxent();
	bool open_boot = false; // the last boot waits for its end
	while (const struct utmpx *ut = getutxent()) {
		auto when = static_cast<int64_t>(ut->ut_tv.tv_sec);
		bool boot = ut->ut_type == BOOT_TIME;
		bool shutdown = ut->ut_type == RUN_LVL && field(ut->ut_user) == "shutdown";
		if (!boot && !shutdown)
			continue;
		if (open_boot) {
			past_boot &last = boots.back();
			if (when >= last.boot_time) {
				last.uptime = when - last.boot_time;
				last.bounded = true;
			}
			open_boot = false;
		}
		if (boot) {
			boots.push_back({when, 0, false, field(ut->ut_host)});
			open_boot = true;
		}
	}
	endutxent();
}
#endif

} // namespace

const char *default_boot_history()
{
#ifdef _PATH_WTMP
	return _PATH_WTMP;
#else
	return "/var/log/wtmp";
#endif
}

history_status read_boot_history(const char *path, std::vector<past_boot> &boots, int &error)
{
	// The utmpx calls tell neither a missing file nor a read error from
	// the end of the records: the file is looked at first.
	int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0) {
		error = errno;
		return error == ENOENT ? history_status::missing : history_status::unreadable;
	}
	struct stat st;
	error = 0;
	if (fstat(fd, &st) != 0)
		error = errno;
	else if (S_ISDIR(st.st_mode))
		error = EISDIR;
	else if (!S_ISREG(st.st_mode))
		error = EINVAL;
	char byte;
	errno = 0;
	if (error == 0 && st.st_size > 0 && read(fd, &byte, 1) != 1)
		error = errno != 0 ? errno : EIO;
	close(fd);
	if (error != 0)
		return history_status::unreadable;
	if (st.st_size == 0)
		return history_status::empty;
#ifdef __linux__
	if (utmpxname(path) != 0) {
		error = errno;
		return history_status::unreadable;
	}
	read_records_of_file(boots);
	return history_status::read;
#else
	(void)boots;
	error = ENOSYS;
	return history_status::unreadable;
#endif
}
