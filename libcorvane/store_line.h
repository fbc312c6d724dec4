// store_line.h - one line of the records store, for the reader and the writer.
#ifndef CORVANE_STORE_LINE_H
#define CORVANE_STORE_LINE_H

#include <cstddef>
#include <cstdint>

namespace corvane
{

// Longest line read, its '\n' not counted; a longer line is skipped whole.
constexpr std::size_t max_line = 4096;

// Every stored time must lie before 9999-01-01 00:00:00 UTC, so that ctime
// shows it with a four-digit year in any time zone: the boot time, and the
// boot time plus the uptime (the end of the boot).
constexpr int64_t time_limit = 253370764800;

// A record read from a line of the store.  sysinfo points into the line.
struct stored_boot {
	int64_t uptime;
	int64_t boot_time;
	const char *sysinfo;
	std::size_t sysinfo_len;
};

// Reads one line of the store, without its '\n' (a '\r' before it is
// dropped here).  false for a comment, a blank line or a line that cannot be
// read (see FORMAT.md).
bool read_store_line(const char *line, std::size_t len, stored_boot &boot);

// Whether a boot of these values can be stored and read back: neither number
// negative, the boot time and the end of the boot before time_limit, and
// both within time_t.
bool storable_times(int64_t uptime, int64_t boot_time);

} // namespace corvane

#endif // CORVANE_STORE_LINE_H
