// plain_file.cpp - opening a file that the recorder reads whole.
#include "recorder/plain_file.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

int open_plain_file(const char *path, struct stat &st)
{
	int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
	if (fd < 0)
		return -1;
	int error = 0;
	if (fstat(fd, &st) != 0)
		error = errno;
	else if (!S_ISREG(st.st_mode))
		error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
	if (error == 0)
		return fd;
	close(fd);
	errno = error;
	return -1;
}
