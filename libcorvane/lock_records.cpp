// lock_records.cpp - the lock that writers of the store hold.
//
// The store is replaced by rename, so a lock on the store itself would stay
// with the old file; writers lock a file of their own beside it instead, the
// store's name with ".lock" added, which is never replaced.
#include <cerrno>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "corvane.h"
#include "folders.h"

namespace
{

int lock(void)
{
	std::string path = std::string(records_path()) + ".lock";
	if (corvane::make_folders(corvane::folder_of(path)) != 0)
		return -1;
	int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
	if (fd < 0)
		return -1;
	while (flock(fd, LOCK_EX) != 0) {
		if (errno == EINTR)
			continue;
		int error = errno;
		close(fd);
		errno = error;
		return -1;
	}
	return fd;
}

} // namespace

extern "C" int lock_records(void)
{
	try {
		return lock();
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}

extern "C" void unlock_records(int lock)
{
	if (lock >= 0)
		close(lock);
}
