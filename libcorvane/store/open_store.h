// open_store.h - opening and reading the records store's file, for the
// reader and the writer.
#ifndef CORVANE_OPEN_STORE_H
#define CORVANE_OPEN_STORE_H

#include <cstddef>

namespace corvane
{

// Opens the store for reading without blocking (a fifo with no writer would
// block the open); -1 with errno ENOENT when there is none.  A store that is
// not a plain file is refused, closed again: EISDIR for a folder, EINVAL for
// anything else (a device would never end, a fifo would block the reads).
int open_store(const char *path);

// Reads up to room bytes of the store open as fd into buf, again after an
// interrupted call: their count, 0 at the end of the file, -1 on an error.
long read_store_bytes(int fd, char *buf, std::size_t room);

} // namespace corvane

#endif // CORVANE_OPEN_STORE_H
