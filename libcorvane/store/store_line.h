// store_line.h - one line of the records store, for the reader and the writer.
#ifndef CORVANE_STORE_LINE_H
#define CORVANE_STORE_LINE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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

// Splits the store into lines through a fixed buffer, so that no line
// longer than max_line is held in memory.  read(buffer, room) gives the next
// bytes: their count, 0 at the end, -1 on an error.  Each line goes to
// line(text, len, newline), without its '\n', newline telling whether it had
// one; a line too long to read (a '\r' before its '\n' not counted) goes to
// long_piece(data, len) instead, in pieces, its '\n' in the last.  Each
// returns false to stop.  false when a call stopped it or read failed.
template <typename Read, typename Line, typename LongPiece>
bool split_store_lines(Read read, Line line, LongPiece long_piece)
{
	constexpr std::size_t longest = max_line + 1;
	static_assert(longest < 65536 / 2);
	std::vector<char> buffer(65536);
	char *buf = buffer.data();
	std::size_t have = 0;  // bytes in buf, from its start
	bool too_long = false; // in the middle of a line too long to read
	for (;;) {
		long got = read(buf + have, buffer.size() - have);
		if (got < 0)
			return false;
		if (got == 0)
			break;
		have += static_cast<std::size_t>(got);
		std::size_t start = 0;
		while (const void *nl = std::memchr(buf + start, '\n', have - start)) {
			std::size_t end =
			    static_cast<std::size_t>(static_cast<const char *>(nl) - buf);
			bool ok = too_long ? long_piece(buf + start, end - start + 1)
			                   : line(buf + start, end - start, true);
			if (!ok)
				return false;
			too_long = false;
			start = end + 1;
		}
		std::size_t rest = have - start;
		if (too_long || rest > longest) {
			if (!long_piece(buf + start, rest))
				return false;
			too_long = true;
			have = 0;
		} else {
			std::memmove(buf, buf + start, rest);
			have = rest;
		}
	}
	// The last line may end without a '\n'.
	return too_long || have == 0 || line(buf, have, false);
}

} // namespace corvane

#endif // CORVANE_STORE_LINE_H
