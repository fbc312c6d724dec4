// read_records.cpp - reading the records store into the list.
//
// The store is a text file with one boot per line, UPTIME:BOOTTIME:SYSINFO
// (see FORMAT.md).  It is read in chunks of a fixed buffer: no line is kept
// longer than max_line bytes, so neither a huge line nor a huge file costs
// more memory than the records themselves.  A line that cannot be read is
// skipped and the rest of the store is still read.  The store is opened
// without blocking and must be a plain file, so that no store (a fifo, a
// device) can hold the reader up for ever.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include <unistd.h>

#include "corvane_store.h"
#include "viewer/record_memory.h"
#include "store/open_store.h"
#include "store/store_files.h"
#include "store/store_line.h"

namespace
{

// Adds the boot of a line to stored, unless it is the running boot.
void take_line(const char *line, std::size_t len, time_t current_boot_time,
               std::vector<urec *> &stored)
{
	corvane::stored_boot boot;
	if (!corvane::read_store_line(line, len, boot) || boot.boot_time == current_boot_time)
		return;
	urec *rec = corvane::new_urec(boot.uptime, static_cast<time_t>(boot.boot_time),
	                              boot.sysinfo, boot.sysinfo_len);
	if (!rec)
		throw std::bad_alloc();
	try {
		stored.push_back(rec);
	} catch (...) {
		corvane::free_urec(rec);
		throw;
	}
}

// Reads every line of the store into stored, in file order: false, with
// errno set, for the error that stopped it (a missing store is an empty
// one).  The store is opened without blocking and read to the end of the
// file; one that is not a plain file is not read.  A read error ends the
// store where it happens; a line too long to read is skipped.
bool read_store(const char *path, time_t current_boot_time, std::vector<urec *> &stored)
{
	int fd = corvane::open_store(path);
	if (fd < 0)
		return errno == ENOENT;
	struct closer {
		int fd;
		~closer()
		{
			int error = errno;
			close(fd);
			errno = error;
		}
	} close_at_exit{fd};

	bool whole = corvane::split_store_lines(
	    [fd](char *buf, std::size_t room) { return corvane::read_store_bytes(fd, buf, room); },
	    [&](const char *line, std::size_t len, bool) {
		    take_line(line, len, current_boot_time, stored);
		    return true;
	    },
	    [](const char *, std::size_t) { return true; });
	return whole;
}

bool older(const urec *a, const urec *b)
{
	return a->boot_time < b->boot_time;
}

// Sorts records by boot time, keeping equal ones in their order.  A store
// is most often in order already, which costs a single pass.
void sort_by_boot_time(std::vector<urec *> &records)
{
	if (!std::is_sorted(records.begin(), records.end(), older))
		std::stable_sort(records.begin(), records.end(), older);
}

// Keeps, of the stored records of each boot time, the one with the longest
// uptime (the first on a tie), freeing the others.  stored is sorted by boot
// time, stably.
void drop_duplicates(std::vector<urec *> &stored)
{
	std::size_t out = 0;
	for (std::size_t i = 0; i < stored.size(); i++) {
		urec *rec = stored[i];
		if (out > 0 && stored[out - 1]->boot_time == rec->boot_time) {
			if (rec->uptime > stored[out - 1]->uptime)
				std::swap(stored[out - 1], rec);
			corvane::free_urec(rec);
		} else {
			stored[out++] = rec;
		}
	}
	stored.resize(out);
}

// a - b, held within the range of int64_t.
int64_t clamped_difference(int64_t a, int64_t b)
{
	int64_t d;
	if (!__builtin_sub_overflow(a, b, &d))
		return d;
	return a < b ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

// The end of a boot: its boot time plus its uptime, held within int64_t.
int64_t end_of(const urec *rec)
{
	int64_t end;
	if (!__builtin_add_overflow(static_cast<int64_t>(rec->boot_time), rec->uptime, &end))
		return end;
	return rec->uptime < 0 ? std::numeric_limits<int64_t>::min()
	                       : std::numeric_limits<int64_t>::max();
}

// Links the records of listed and of stored, both sorted by boot time, into
// one list in boot time order as urec_list (on equal boot times, those of
// listed first), and sets each record's downtime: the time from the end of
// the boot before it to its own boot, 0 when they overlap, 0 for the oldest.
void link_in_order(const std::vector<urec *> &listed, const std::vector<urec *> &stored)
{
	auto a = listed.begin();
	auto b = stored.begin();
	urec *prev = nullptr;
	urec **tail = &urec_list;
	while (a != listed.end() || b != stored.end()) {
		urec *rec;
		if (b == stored.end() || (a != listed.end() && !older(*b, *a)))
			rec = *a++;
		else
			rec = *b++;
		rec->downtime = 0;
		if (prev)
			rec->downtime = std::max<int64_t>(
			    0,
			    clamped_difference(static_cast<int64_t>(rec->boot_time), end_of(prev)));
		*tail = rec;
		tail = &rec->next;
		prev = rec;
	}
	*tail = nullptr;
}

// Raises the uptime of the stored record of the boot that the boot mark
// names to the mark's: a recorder's run that finds its boot on record keeps
// the newer uptime in the mark alone, and rewrites the store now and then.
void take_mark_uptime(const store_files *files, const std::vector<urec *> &stored)
{
	boot_mark mark;
	boot_mark_figures figures;
	if (!read_boot_mark_in(files, &mark, &figures) || figures.uptime < 0)
		return;
	auto at = std::lower_bound(stored.begin(), stored.end(), mark.boot_time,
	                           [](const urec *rec, time_t t) { return rec->boot_time < t; });
	if (at != stored.end() && (*at)->boot_time == mark.boot_time &&
	    (*at)->uptime < figures.uptime)
		(*at)->uptime = figures.uptime;
}

} // namespace

extern "C" int read_records_in(const struct store_files *files, time_t current_boot_time)
{
	std::vector<urec *> listed; // the records of urec_list, in list order
	std::vector<urec *> stored; // the records read, in file order
	int error = 0;
	try {
		for (urec *rec = urec_list; rec; rec = rec->next)
			listed.push_back(rec);
		if (!read_store(files->store, current_boot_time, stored))
			error = errno;
	} catch (const std::bad_alloc &) {
		// Out of memory: the list stays as it was.
		for (urec *rec : stored)
			corvane::free_urec(rec);
		errno = ENOMEM;
		return -1;
	}
	sort_by_boot_time(listed);
	sort_by_boot_time(stored);
	drop_duplicates(stored);
	take_mark_uptime(files, stored);
	link_in_order(listed, stored);
	if (error != 0) {
		errno = error;
		return -1;
	}
	return 0;
}

extern "C" int read_records_checked(time_t current_boot_time)
{
	return corvane::in_records_path(-1, [&](const store_files *files) {
		return read_records_in(files, current_boot_time);
	});
}

extern "C" void read_records(time_t current_boot_time)
{
	read_records_checked(current_boot_time);
}
