// write_records.cpp - the new text of the records store.
//
// The store is rewritten line by line, not made anew from the list: every
// line that does not hold a boot of the list (comments, blank lines, lines
// that cannot be read, boots the list lacks) is copied byte for byte, so a
// writer never loses what it could not read.  The line of a boot the list
// holds takes the record's values in its place; the boots that no line holds
// follow at the end.  Like the reader, it holds no line longer than max_line
// in memory: a longer one is copied through in pieces.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "writing/move_urec.h"
#include "writing/replace_file.h"
#include "store/open_store.h"
#include "store/store_files.h"
#include "store/store_line.h"

namespace
{

// Output gathered in a buffer and written with write(2), so that every error
// of the device (a full disk) is seen where it happens.
struct output {
	int fd;
	std::vector<char> buf;
	std::size_t used = 0;
	char last = '\n'; // the last byte put, '\n' before the first
};

bool flush(output &out)
{
	if (!corvane::write_all(out.fd, out.buf.data(), out.used))
		return false;
	out.used = 0;
	return true;
}

bool put(output &out, const char *data, std::size_t len)
{
	if (len == 0)
		return true;
	out.last = data[len - 1];
	while (len > 0) {
		if (out.used == out.buf.size() && !flush(out))
			return false;
		std::size_t n = std::min(len, out.buf.size() - out.used);
		std::memcpy(out.buf.data() + out.used, data, n);
		out.used += n;
		data += n;
		len -= n;
	}
	return true;
}

// A boot of the list to store, and whether a line of the store has taken it.
struct held {
	const urec *rec;
	bool taken;
};

// Whether the list's record can be written as a line that reads back as it
// is: numbers in the store's range, no line end in the text.  (A text that
// ends in '\r' is written with a "\r\n" line end, whose '\r' the reader
// drops.)
bool storable(const urec *rec)
{
	std::size_t len = strnlen(rec->sysinfo, SYSMAX);
	return corvane::storable_times(rec->uptime, static_cast<int64_t>(rec->boot_time)) &&
	       !std::memchr(rec->sysinfo, '\n', len);
}

// The boots of urec_list by boot time, one record each: of several with one
// boot time, the longest, the first in the list on a tie.  false, with errno
// EINVAL, when a record cannot be stored.
bool list_boots(std::vector<held> &boots)
{
	for (const urec *rec = urec_list; rec; rec = rec->next) {
		if (!storable(rec)) {
			errno = EINVAL;
			return false;
		}
		boots.push_back({rec, false});
	}
	std::stable_sort(boots.begin(), boots.end(), [](const held &a, const held &b) {
		return a.rec->boot_time < b.rec->boot_time;
	});
	std::size_t out = 0;
	for (const held &h : boots) {
		if (out > 0 && boots[out - 1].rec->boot_time == h.rec->boot_time) {
			if (h.rec->uptime > boots[out - 1].rec->uptime)
				boots[out - 1] = h;
		} else {
			boots[out++] = h;
		}
	}
	boots.resize(out);
	return true;
}

held *find_boot(std::vector<held> &boots, int64_t boot_time)
{
	auto it =
	    std::lower_bound(boots.begin(), boots.end(), boot_time, [](const held &h, int64_t t) {
		    return static_cast<int64_t>(h.rec->boot_time) < t;
	    });
	if (it == boots.end() || static_cast<int64_t>(it->rec->boot_time) != boot_time)
		return nullptr;
	return &*it;
}

// UPTIME:BOOTTIME: of a line, in numbers; returns its length.
std::size_t put_numbers(char (&numbers)[48], int64_t uptime, int64_t boot_time)
{
	int n =
	    std::snprintf(numbers, sizeof numbers, "%" PRId64 ":%" PRId64 ":", uptime, boot_time);
	return static_cast<std::size_t>(n);
}

// Puts UPTIME:BOOTTIME: then the text, then the line end: "\r\n" when crlf
// or when the text ends in '\r' (the reader drops one '\r' before a '\n'),
// else "\n".
bool put_record(output &out, int64_t uptime, int64_t boot_time, const char *text,
                std::size_t text_len, bool crlf)
{
	char numbers[48];
	std::size_t n = put_numbers(numbers, uptime, boot_time);
	bool cr = crlf || (text_len > 0 && text[text_len - 1] == '\r');
	return put(out, numbers, n) && put(out, text, text_len) &&
	       (cr ? put(out, "\r\n", 2) : put(out, "\n", 1));
}

// One line of the old store, without its '\n' (newline tells whether it had
// one), as it goes into the new store.
bool take_line(output &out, std::vector<held> &boots, const char *line, std::size_t len,
               bool newline)
{
	auto as_it_was = [&] { return put(out, line, len) && (!newline || put(out, "\n", 1)); };
	corvane::stored_boot stored;
	held *h = nullptr;
	if (corvane::read_store_line(line, len, stored)) {
		h = find_boot(boots, stored.boot_time);
		// The old line of a record moved to another boot time.
		if (!h && corvane::moved_away_from(stored.boot_time))
			return true;
	}
	if (!h)
		return as_it_was();
	// A stored uptime is never lowered: a line of the boot longer than the
	// record stays as it is, and stands for the record.
	if (stored.uptime > h->rec->uptime) {
		h->taken = true;
		return as_it_was();
	}
	if (h->taken)
		return true; // an older copy of a boot already written
	h->taken = true;
	const urec *rec = h->rec;
	// A stored text longer than SYSMAX that begins with the record's is
	// kept whole.
	std::size_t kept = std::min(stored.sysinfo_len, std::size_t{SYSMAX});
	bool same_text = std::strlen(rec->sysinfo) == kept &&
	                 std::memcmp(rec->sysinfo, stored.sysinfo, kept) == 0;
	if (same_text && stored.uptime == rec->uptime)
		return as_it_was();
	bool crlf = len > 0 && line[len - 1] == '\r';
	// The whole stored text, unless the longer uptime would take the line
	// beyond what the reader reads: it is then cut to what the reader
	// keeps of it, the record's text.
	char numbers[48];
	if (same_text && put_numbers(numbers, rec->uptime, stored.boot_time) + stored.sysinfo_len <=
	                     corvane::max_line)
		return put_record(out, rec->uptime, stored.boot_time, stored.sysinfo,
		                  stored.sysinfo_len, crlf);
	return put_record(out, rec->uptime, stored.boot_time, rec->sysinfo,
	                  std::strlen(rec->sysinfo), crlf);
}

// Copies the store open as in to out, line by line, through take_line; a
// line too long to read is copied as it is.
bool copy_store(int in, output &out, std::vector<held> &boots)
{
	return corvane::split_store_lines(
	    [in](char *buf, std::size_t room) { return corvane::read_store_bytes(in, buf, room); },
	    [&](const char *line, std::size_t len, bool newline) {
		    return take_line(out, boots, line, len, newline);
	    },
	    [&](const char *data, std::size_t len) { return put(out, data, len); });
}

bool write_store(const store_files *files, int fd)
{
	std::vector<held> boots;
	if (!list_boots(boots))
		return false;
	output out{fd, std::vector<char>(65536)};
	int in = corvane::open_store(files->store);
	if (in < 0 && errno != ENOENT)
		return false;
	if (in >= 0) {
		bool copied = copy_store(in, out, boots);
		int error = errno;
		close(in);
		if (!copied) {
			errno = error;
			return false;
		}
	}
	// The boots that no line held, oldest first, after a line end for a
	// last line that lacked one.
	bool first = true;
	for (const held &h : boots) {
		if (h.taken)
			continue;
		if (first && out.last != '\n' && !put(out, "\n", 1))
			return false;
		first = false;
		if (!put_record(out, h.rec->uptime, static_cast<int64_t>(h.rec->boot_time),
		                h.rec->sysinfo, std::strlen(h.rec->sysinfo), false))
			return false;
	}
	return flush(out);
}

} // namespace

extern "C" int write_records(int fd)
{
	return corvane::in_records_path(
	    -1, [fd](const store_files *files) { return write_records_in(files, fd); });
}

extern "C" int write_records_in(const struct store_files *files, int fd)
{
	try {
		return write_store(files, fd) ? 0 : -1;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}
