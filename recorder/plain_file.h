// plain_file.h - opening a file that the recorder reads whole: the ends
// file, the login accounting file.
#ifndef CORVANE_RECORD_PLAIN_FILE_H
#define CORVANE_RECORD_PLAIN_FILE_H

#include <sys/stat.h>

// Opens the file at path for reading without blocking, and only a plain
// file (a FIFO would block, a device never end): the descriptor, with st
// filled in; else -1 with errno set: the open's error (ENOENT when there is
// no such file), EISDIR for a folder, EINVAL for anything else.
int open_plain_file(const char *path, struct stat &st);

#endif // CORVANE_RECORD_PLAIN_FILE_H
