// open_store.cpp - opening and reading the records store's file.
#include "store/open_store.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane
{

int open_store(const char *path)
{
	int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
	if (fd < 0) {
		// A socket cannot be opened at all (ENXIO): it is no plain file
		// either.
		int error = errno;
		struct stat st;
		if (error != ENOENT && stat(path, &st) == 0 && !S_ISREG(st.st_mode) &&
		    !S_ISDIR(st.st_mode))
			error = EINVAL;
		errno = error;
		return -1;
	}
	struct stat st;
	int error = 0;
	if (fstat(fd, &st) != 0)
		error = errno;
	else if (!S_ISREG(st.st_mode))
		error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
	if (error != 0) {
		close(fd);
		errno = error;
		return -1;
	}
	return fd;
}

long read_store_bytes(int fd, char *buf, std::size_t room)
{
	ssize_t got;
	do
		got = read(fd, buf, room);
	while (got < 0 && errno == EINTR);
	return static_cast<long>(got);
}

} // namespace corvane
