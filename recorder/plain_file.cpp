// plain_file.cpp - the files that the recorder reads whole.
#include "recorder/plain_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

int plain_file_error(const struct stat &st)
{
	if (S_ISREG(st.st_mode))
		return 0;
	return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
}

int open_plain_file(const char *path, struct stat &st)
{
	int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
	if (fd < 0)
		return -1;
	int error = fstat(fd, &st) != 0 ? errno : plain_file_error(st);
	if (error == 0)
		return fd;
	close(fd);
	errno = error;
	return -1;
}

std::string plain_file_reason(int error)
{
	return error == EINVAL ? "Not a plain file" : std::strerror(error);
}
