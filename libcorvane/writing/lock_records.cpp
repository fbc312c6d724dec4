// lock_records.cpp - the lock that writers of the store hold.
//
// The store is replaced by rename, so a lock on the store itself would stay
// with the old file; writers lock a file of their own beside it instead, the
// store's name with ".lock" added, which is never replaced.  The lock file
// lies beside the store's real file, whatever path names it (a link, a
// relative path, a linked folder), so that every writer of one store takes
// one lock.  Its holder writes its process id into it.
//
// While a writer holds the lock no other writer is half way through a
// replacement, so a new file of a replacement that lies in the folder then
// is a stray of a writer that died before its rename: the lock takes them
// away.
#include <cerrno>
#include <ctime>
#include <new>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "store/store_files.h"
#include "writing/folders.h"
#include "writing/replace_file.h"

namespace
{

// Whether c is one of the characters that mkstemp puts for its XXXXXX.
bool temp_char(char c)
{
	return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether name is that of a new file of a replacement of the store BASE or
// of a file beside it named BASE.SUFFIX, head being ".BASE.": ".BASE.XXXXXX"
// or ".BASE.SUFFIX.XXXXXX".  suffix is set to SUFFIX, or emptied.
bool stray_name(const std::string &name, const std::string &head, std::string &suffix)
{
	if (name.size() < head.size() + 6 || name.compare(0, head.size(), head) != 0)
		return false;
	for (std::size_t i = name.size() - 6; i < name.size(); i++)
		if (!temp_char(name[i]))
			return false;
	std::size_t rest = name.size() - 6 - head.size(); // SUFFIX and its '.'
	if (rest == 0) {
		suffix.clear();
		return true;
	}
	if (rest < 2 || name[name.size() - 7] != '.')
		return false;
	suffix = name.substr(head.size(), rest - 1);
	return true;
}

// Takes away the strays of dead writers of the store: plain files only.
// What cannot be taken away stays; the next writer tries again.
void remove_strays(const store_files *files)
{
	std::string prefix = files->temp_prefix;
	std::string::size_type slash = prefix.find_last_of('/');
	std::string dir = slash == 0 ? "/" : prefix.substr(0, slash);
	std::string head = prefix.substr(slash + 1); // ".BASE."
	std::string base = head.substr(1, head.size() - 2);
	DIR *d = opendir(dir.c_str());
	if (!d)
		return;
	int dfd = dirfd(d);
	std::string suffix;
	while (const struct dirent *entry = readdir(d)) {
		std::string name = entry->d_name;
		if (!stray_name(name, head, suffix))
			continue;
		struct stat st;
		if (fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
		    !S_ISREG(st.st_mode))
			continue;
		// A store of its own named BASE.SUFFIX keeps its strays to its
		// own writers.
		if (!suffix.empty() && fstatat(dfd, (base + "." + suffix + ".lock").c_str(), &st,
		                               AT_SYMLINK_NOFOLLOW) == 0)
			continue;
		unlinkat(dfd, name.c_str(), 0);
	}
	closedir(d);
}

// Opens (makes) the lock file of the store; -1 with errno set.  A store
// whose real file is not known has no lock file: every path to it would not
// take one lock.
int open_lock(const store_files *files)
{
	if (files->resolve_error != 0) {
		errno = files->resolve_error;
		return -1;
	}
	if (!corvane::make_folders(corvane::folder_of(files->lock)))
		return -1;
	return open(files->lock, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
}

// Seconds of the monotonic clock (not the time of day, which may jump).
double now()
{
	struct timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Takes the flock on fd: waiting for ever when wait is negative, else for
// wait seconds at most (EWOULDBLOCK when another holds it all that time).
bool take(int fd, double wait)
{
	if (wait < 0) {
		while (flock(fd, LOCK_EX) != 0)
			if (errno != EINTR)
				return false;
		return true;
	}
	// flock cannot wait for a bounded time: it is asked again and again,
	// without blocking, until the time is up.
	double deadline = now() + wait;
	for (;;) {
		if (flock(fd, LOCK_EX | LOCK_NB) == 0)
			return true;
		if (errno != EWOULDBLOCK && errno != EINTR)
			return false;
		double left = deadline - now();
		if (left <= 0) {
			errno = EWOULDBLOCK;
			return false;
		}
		double pause = left < 0.05 ? left : 0.05;
		struct timespec ts = {0, static_cast<long>(pause * 1e9)};
		nanosleep(&ts, nullptr);
	}
}

int lock(const store_files *files, double wait)
{
	int fd = open_lock(files);
	if (fd < 0)
		return -1;
	if (!take(fd, wait)) {
		int error = errno;
		close(fd);
		errno = error;
		return -1;
	}
	// The holder's process id, for the message of a writer that gives up
	// waiting; a lock file that cannot hold it is still a lock.
	std::string pid = std::to_string(static_cast<long>(getpid())) + "\n";
	if (ftruncate(fd, 0) == 0)
		corvane::write_all(fd, pid.data(), pid.size());
	remove_strays(files);
	return fd;
}

// lock, out of memory told as ENOMEM.
int lock_or_enomem(const store_files *files, double wait)
{
	try {
		return lock(files, wait);
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}

long holder(const store_files *files)
{
	if (files->resolve_error != 0)
		return 0;
	int fd = open(files->lock, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
	if (fd < 0)
		return 0;
	char text[24];
	ssize_t n = read(fd, text, sizeof text - 1);
	close(fd);
	long pid = 0;
	for (ssize_t i = 0; i < n && text[i] != '\n'; i++) {
		if (text[i] < '0' || text[i] > '9' || pid > 99999999)
			return 0;
		pid = pid * 10 + (text[i] - '0');
	}
	// A holder that died before it let go leaves its id behind.
	if (pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM))
		return 0;
	return pid;
}

} // namespace

extern "C" int lock_records_in(const struct store_files *files, long seconds)
{
	return lock_or_enomem(files, seconds < 0 ? -1.0 : static_cast<double>(seconds));
}

extern "C" int lock_records(void)
{
	return corvane::in_records_path(
	    -1, [](const store_files *files) { return lock_or_enomem(files, -1.0); });
}

extern "C" int lock_records_within(unsigned int seconds)
{
	return corvane::in_records_path(-1, [seconds](const store_files *files) {
		return lock_or_enomem(files, static_cast<double>(seconds));
	});
}

extern "C" long records_lock_holder_in(const struct store_files *files)
{
	try {
		return holder(files);
	} catch (const std::bad_alloc &) {
		return 0;
	}
}

extern "C" long records_lock_holder(void)
{
	return corvane::in_records_path(0L, records_lock_holder_in);
}

extern "C" void unlock_records(int lock)
{
	if (lock < 0)
		return;
	// Its id leaves the lock file with the holder (when the file cannot
	// be emptied, the next holder writes its own over it).
	int ignored = ftruncate(lock, 0);
	(void)ignored;
	close(lock);
}
