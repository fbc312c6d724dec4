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

// The longest boot mark read: an id, a blank, and four numbers of at most
// 20 digits after a blank each, and the line end.
constexpr std::size_t max_mark = sizeof(boot_mark::id) + 4 * 21 + 1;

// Whether id, len bytes, is an id that a mark can hold: 1 to 63 letters,
// digits and '-'.
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

// A number of a mark's figures: a number, or "-" for none (-1).
bool parse_figure(const char *digit, const char *end, int64_t &number)
{
	if (end - digit == 1 && *digit == '-') {
		number = -1;
		return true;
	}
	return parse_number(digit, end, number);
}

// Reads "ID TIME\n", "ID TIME UPTIME\n" or "ID TIME UPTIME STORED
// SUSPENDED\n" of text, len bytes, into mark and figures (-1 for what the
// line lacks; STORED and SUSPENDED may be "-").  Nothing else is a mark: no
// sign, no leading zero, no blank but those between the fields, no text
// after the line end.
bool parse_mark(const char *text, std::size_t len, boot_mark &mark, boot_mark_figures &figures)
{
	if (len < 2 || text[len - 1] != '\n')
		return false;
	const char *end = text + len - 1;
	const char *field[6]; // where each field begins, and end + 1 after the last
	int fields = 0;
	for (const char *p = text; p <= end && fields < 6;) {
		field[fields++] = p;
		const char *blank = static_cast<const char *>(
		    std::memchr(p, ' ', static_cast<std::size_t>(end - p)));
		p = blank ? blank + 1 : end + 1;
	}
	if (fields < 6)
		field[fields] = end + 1;
	int numbers = fields - 1;
	if (fields == 6 || (numbers != 1 && numbers != 2 && numbers != 4))
		return false;
	// The end of field n, the blank or line end after it.
	auto field_end = [&](int n) { return field[n + 1] - 1; };
	auto id_len = static_cast<std::size_t>(field_end(0) - text);
	if (!valid_id(text, id_len))
		return false;
	int64_t time = 0;
	boot_mark_figures read = {-1, -1, -1};
	if (!parse_number(field[1], field_end(1), time) ||
	    (numbers >= 2 && !parse_number(field[2], field_end(2), read.uptime)) ||
	    (numbers == 4 && (!parse_figure(field[3], field_end(3), read.stored) ||
	                      !parse_figure(field[4], field_end(4), read.suspended))))
		return false;
	if (static_cast<int64_t>(static_cast<time_t>(time)) != time)
		return false;
	std::memcpy(mark.id, text, id_len);
	mark.id[id_len] = '\0';
	mark.boot_time = static_cast<time_t>(time);
	figures = read;
	return true;
}

// Adds " NUMBER", or " -" for a negative one, to text at len.
void add_figure(char *text, int &len, std::size_t size, int64_t number)
{
	len += number < 0 ? std::snprintf(text + len, size - static_cast<std::size_t>(len), " -")
	                  : std::snprintf(text + len, size - static_cast<std::size_t>(len),
	                                  " %" PRId64, number);
}

// Replaces the mark with its text: the figures are left out as far as they
// are negative (an uptime below 0 leaves out all three).
int save_mark(const store_files *files, const struct boot_mark *mark,
              const boot_mark_figures &figures)
{
	std::size_t id_len = strnlen(mark->id, sizeof mark->id);
	if (!valid_id(mark->id, id_len) || mark->boot_time < 0) {
		errno = EINVAL;
		return -1;
	}
	char text[max_mark + 1];
	int len = std::snprintf(text, sizeof text, "%s %" PRId64, mark->id,
	                        static_cast<int64_t>(mark->boot_time));
	if (figures.uptime >= 0) {
		add_figure(text, len, sizeof text, figures.uptime);
		if (figures.stored >= 0 || figures.suspended >= 0) {
			add_figure(text, len, sizeof text, figures.stored);
			add_figure(text, len, sizeof text, figures.suspended);
		}
	}
	text[len++] = '\n';
	return replace_file(files->boot_mark, text, static_cast<std::size_t>(len));
}

} // namespace

extern "C" int read_boot_mark_in(const struct store_files *files, struct boot_mark *mark,
                                 struct boot_mark_figures *figures)
{
	*mark = boot_mark{};
	if (figures)
		*figures = {-1, -1, -1};
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
	boot_mark_figures told = {-1, -1, -1};
	if (!ok || len > max_mark || !parse_mark(text, len, read, told))
		return 0;
	*mark = read;
	if (figures)
		*figures = told;
	return 1;
}

extern "C" int read_boot_mark_uptime(struct boot_mark *mark, int64_t *uptime)
{
	*mark = boot_mark{};
	*uptime = -1;
	boot_mark_figures figures = {-1, -1, -1};
	int marked = corvane::in_records_path(
	    0, [&](const store_files *files) { return read_boot_mark_in(files, mark, &figures); });
	*uptime = figures.uptime;
	return marked;
}

extern "C" int read_boot_mark(struct boot_mark *mark)
{
	int64_t uptime;
	return read_boot_mark_uptime(mark, &uptime);
}

extern "C" int save_boot_mark_in(const struct store_files *files, const struct boot_mark *mark,
                                 const struct boot_mark_figures *figures)
{
	boot_mark_figures none = {-1, -1, -1};
	if (figures &&
	    (figures->uptime < -1 || figures->stored < -1 || figures->suspended < -1 ||
	     (figures->uptime < 0 && (figures->stored >= 0 || figures->suspended >= 0)))) {
		errno = EINVAL;
		return -1;
	}
	return save_mark(files, mark, figures ? *figures : none);
}

extern "C" int save_boot_mark(const struct boot_mark *mark)
{
	return corvane::in_records_path(-1, [mark](const store_files *files) {
		return save_boot_mark_in(files, mark, nullptr);
	});
}

extern "C" int save_boot_mark_uptime(const struct boot_mark *mark, int64_t uptime)
{
	if (uptime < 0) {
		errno = EINVAL;
		return -1;
	}
	boot_mark_figures figures = {uptime, -1, -1};
	return corvane::in_records_path(
	    -1, [&](const store_files *files) { return save_boot_mark_in(files, mark, &figures); });
}
