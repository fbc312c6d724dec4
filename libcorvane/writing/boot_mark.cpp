// boot_mark.cpp - the boot mark beside the store: the boot id of the boot
// the recorder last recorded, the boot time its record is stored under and
// the uptime that its last run read, one line "BOOT_ID BOOT_TIME UPTIME" (or
// "BOOT_ID BOOT_TIME", the mark of an older recorder, which has no uptime).
// viewer/readbootid.cpp tells the running boot's boot time by it.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "corvane_store.h"
#include "store/open_store.h"
#include "store/store_files.h"

namespace
{

// The longest boot mark read: an id, a blank, a time, a blank, an uptime
// and a line end.
constexpr std::size_t max_mark = sizeof(boot_mark::id) + 2 * 21;

// A boot id holds letters, digits and '-' only, one to 63 of them.
bool valid_id(const char *id, std::size_t len)
{
	if (len == 0 || len >= sizeof(boot_mark::id))
		return false;
	for (std::size_t i = 0; i < len; i++) {
		char c = id[i];
		if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
		      c == '-'))
			return false;
	}
	return true;
}

// Reads the decimal number of [digit, end): no sign, no leading zero, at
// most INT64_MAX (every value that save_boot_mark writes).
bool parse_number(const char *digit, const char *end, int64_t &number)
{
	if (digit == end || (*digit == '0' && end - digit > 1))
		return false;
	int64_t value = 0;
	for (const char *p = digit; p < end; p++) {
		if (*p < '0' || *p > '9' || value > (INT64_MAX - (*p - '0')) / 10)
			return false;
		value = value * 10 + (*p - '0');
	}
	number = value;
	return true;
}

// Reads "ID TIME\n" or "ID TIME UPTIME\n" of text, len bytes, into mark and
// uptime (-1 for the first form).  Nothing else is a mark: no sign, no
// leading zero, no blank but the one or two, no text after the line end.
bool parse_mark(const char *text, std::size_t len, boot_mark &mark, int64_t &uptime)
{
	if (len < 2 || text[len - 1] != '\n')
		return false;
	const char *end = text + len - 1;
	const char *blank = static_cast<const char *>(std::memchr(text, ' ', len - 1));
	if (!blank)
		return false;
	auto id_len = static_cast<std::size_t>(blank - text);
	if (!valid_id(text, id_len))
		return false;
	const char *second = static_cast<const char *>(
	    std::memchr(blank + 1, ' ', static_cast<std::size_t>(end - (blank + 1))));
	int64_t time = 0;
	int64_t up = -1;
	if (!parse_number(blank + 1, second ? second : end, time) ||
	    (second && !parse_number(second + 1, end, up)))
		return false;
	if (static_cast<int64_t>(static_cast<time_t>(time)) != time)
		return false;
	std::memcpy(mark.id, text, id_len);
	mark.id[id_len] = '\0';
	mark.boot_time = static_cast<time_t>(time);
	uptime = up;
	return true;
}

// Replaces the mark with its text: the uptime is left out when negative.
int save_mark(const store_files *files, const struct boot_mark *mark, int64_t uptime)
{
	std::size_t id_len = strnlen(mark->id, sizeof mark->id);
	if (!valid_id(mark->id, id_len) || mark->boot_time < 0) {
		errno = EINVAL;
		return -1;
	}
	char text[max_mark + 1];
	int len = uptime < 0
	              ? std::snprintf(text, sizeof text, "%s %" PRId64 "\n", mark->id,
	                              static_cast<int64_t>(mark->boot_time))
	              : std::snprintf(text, sizeof text, "%s %" PRId64 " %" PRId64 "\n", mark->id,
	                              static_cast<int64_t>(mark->boot_time), uptime);
	return replace_file(files->boot_mark, text, static_cast<std::size_t>(len));
}

} // namespace

extern "C" int read_boot_mark_in(const struct store_files *files, struct boot_mark *mark,
                                 int64_t *uptime)
{
	*mark = boot_mark{};
	if (uptime)
		*uptime = -1;
	// Opened as the store is: without blocking, and only a plain
	// file, so that a FIFO or a device named there cannot hang or
	// feed the reader for ever.
	int fd = corvane::open_store(files->boot_mark);
	if (fd < 0)
		return 0;
	char text[max_mark + 1];
	std::size_t len = 0;
	bool ok = true;
	while (len < sizeof text) {
		long n = corvane::read_store_bytes(fd, text + len, sizeof text - len);
		if (n <= 0) {
			ok = n == 0;
			break;
		}
		len += static_cast<std::size_t>(n);
	}
	close(fd);
	boot_mark read = {};
	int64_t up = -1;
	if (!ok || len > max_mark || !parse_mark(text, len, read, up))
		return 0;
	*mark = read;
	if (uptime)
		*uptime = up;
	return 1;
}

extern "C" int read_boot_mark_uptime(struct boot_mark *mark, int64_t *uptime)
{
	*mark = boot_mark{};
	*uptime = -1;
	return corvane::in_records_path(
	    0, [&](const store_files *files) { return read_boot_mark_in(files, mark, uptime); });
}

extern "C" int read_boot_mark(struct boot_mark *mark)
{
	int64_t uptime;
	return read_boot_mark_uptime(mark, &uptime);
}

extern "C" int save_boot_mark_in(const struct store_files *files, const struct boot_mark *mark,
                                 int64_t uptime)
{
	if (uptime < -1) {
		errno = EINVAL;
		return -1;
	}
	return save_mark(files, mark, uptime);
}

extern "C" int save_boot_mark(const struct boot_mark *mark)
{
	return corvane::in_records_path(
	    -1, [mark](const store_files *files) { return save_mark(files, mark, -1); });
}

extern "C" int save_boot_mark_uptime(const struct boot_mark *mark, int64_t uptime)
{
	if (uptime < 0) {
		errno = EINVAL;
		return -1;
	}
	return corvane::in_records_path(
	    -1, [&](const store_files *files) { return save_mark(files, mark, uptime); });
}
