// replace_file.h - replacing a file whole, the way the store is replaced.
#ifndef CORVANE_REPLACE_FILE_H
#define CORVANE_REPLACE_FILE_H

#include <cstddef>
#include <functional>
#include <string>

namespace corvane
{

// Writes all of len bytes to fd with write(2), again after an interruption or
// a short write.  false, with errno set, when a write fails (ENOSPC when the
// device takes nothing).
bool write_all(int fd, const char *data, std::size_t len);

// The file that path names: the real path of the file when it exists (every
// link followed, "." and ".." gone), else the real path of its folder and its
// name; a link that points to no file yet gives the file it points to.
// Folders that do not exist yet are resolved as far as they exist.  false,
// with errno set, when the path cannot be resolved (a loop of links, a
// folder that cannot be searched).
bool real_file(const std::string &path, std::string &real);

// Replaces the file at path whole with what fill writes to the open new file
// it is given: a new file beside it, named ".NAME.XXXXXX", is filled, flushed
// to the disk, given the old file's mode and owner (0644 for a new file) and
// renamed over the old one, then the folder is flushed.  A link is replaced
// where it points; missing folders are made (0755).  false, with errno set,
// when it failed: the old file is then as it was and the new one gone, but
// for a failed flush of the folder, which comes after the rename.
bool replace_whole(const std::string &path, const std::function<bool(int fd)> &fill);

} // namespace corvane

#endif // CORVANE_REPLACE_FILE_H
