// plain_file.h - the files that the recorder reads whole (the ends file, the
// login accounting file, the login database, the store), which must be plain
// files: a FIFO would block, a device never end.
#ifndef CORVANE_RECORD_PLAIN_FILE_H
#define CORVANE_RECORD_PLAIN_FILE_H

#include <string>

#include <sys/stat.h>

// 0 for a plain file of st, else the error that refuses it: EISDIR for a
// folder, EINVAL for anything else.
int plain_file_error(const struct stat &st);

// Opens the file at path for reading without blocking, and only a plain
// file: the descriptor, with st filled in; else -1 with errno set: the
// open's error (ENOENT when there is no such file), else that of
// plain_file_error.
int open_plain_file(const char *path, struct stat &st);

// The reason of a message for a plain file that could not be read with
// error: "Not a plain file" for EINVAL, else the C library's text.
std::string plain_file_reason(int error);

#endif // CORVANE_RECORD_PLAIN_FILE_H
