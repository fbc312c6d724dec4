// running_boot.cpp - the running boot's record in the list read from the store.
#include "recorder/running_boot.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "recorder/store_range.h"

// The running boot's record, which the library reads; the run sets it once
// the store is read and the record made (main.cpp).
struct urec *u_current = nullptr;

namespace
{

// Of the records of urec_list that started at boot_time, the longest.
urec *record_at(time_t boot_time)
{
	urec *found = nullptr;
	for (urec *rec = urec_list; rec; rec = rec->next) {
		if (rec->boot_time == boot_time && (!found || rec->uptime > found->uptime))
			found = rec;
	}
	return found;
}

// The first second from boot_time on that no record but own starts at.
time_t free_boot_time(time_t boot_time, const urec *own)
{
	std::vector<time_t> taken;
	for (const urec *rec = urec_list; rec; rec = rec->next) {
		if (rec != own && rec->boot_time >= boot_time)
			taken.push_back(rec->boot_time);
	}
	std::sort(taken.begin(), taken.end());
	for (time_t t : taken) {
		if (t > boot_time)
			break;
		if (t == boot_time)
			boot_time++;
	}
	return boot_time;
}

} // namespace

bool marks_running_boot(const running_boot &now, const boot_mark *mark, int64_t mark_uptime)
{
	return mark && *now.boot_id && std::strcmp(mark->id, now.boot_id) == 0 &&
	       !(mark_uptime >= 0 && now.uptime < mark_uptime);
}

void record_running_boot(const running_boot &now, const boot_mark *mark, boot_update *out,
                         int64_t mark_uptime)
{
	boot_update &update = *out;
	update = boot_update{};
	urec *rec = nullptr;
	time_t boot_time = now.boot_time;
	bool same_id = mark && *now.boot_id && std::strcmp(mark->id, now.boot_id) == 0;
	bool same_boot = marks_running_boot(now, mark, mark_uptime);
	if (same_id && !same_boot) {
		update.uptime_fell = true;
		update.fell_from = mark_uptime;
	}
	if (!*now.boot_id) {
		rec = record_at(boot_time);
	} else if (same_boot) {
		rec = record_at(mark->boot_time);
		// A run stopped after it saved the record moved to the kernel's
		// boot time, before it saved the mark that names that time.
		if (!rec)
			rec = record_at(boot_time);
		boot_time = free_boot_time(boot_time, rec);
	} else {
		if (mark) {
			update.new_boot = true;
			update.ended_boot = mark->boot_time;
		} else {
			// The first run with a boot id: a record of the kernel's
			// boot time is the running boot's, as before.
			rec = record_at(boot_time);
		}
		if (!rec)
			boot_time = free_boot_time(boot_time, nullptr);
	}

	if (rec) {
		if (rec->boot_time != boot_time) {
			update.moved = true;
			update.moved_from = rec->boot_time;
			if (move_urec(rec, boot_time) != 0)
				throw std::bad_alloc();
		}
		if (now.uptime > rec->uptime)
			rec->uptime = now.uptime;
	} else {
		rec = add_urec(now.uptime, boot_time, now.sysinfo);
		if (!rec)
			throw std::bad_alloc();
		update.added = true;
	}
	if (*now.boot_id) {
		std::size_t len = std::strlen(now.boot_id);
		if (len < sizeof update.mark.id) {
			std::memcpy(update.mark.id, now.boot_id, len + 1);
			update.mark.boot_time = rec->boot_time;
			update.mark_uptime = now.uptime;
			update.has_mark = true;
		}
	}
	update.record = rec;
}

bool look_at_running_boot(const store_files &files, recorded_boot *recorded, std::string *err)
{
	*recorded = recorded_boot{};
	recorded->sysinfo = read_sysinfo();
	recorded->now = {read_kernel_boot_time(), std::max<int64_t>(read_uptime(), 0), nullptr,
	                 read_boot_id(), read_suspended_time()};
	const running_boot &now = recorded->now;
	if (!fits_store(static_cast<int64_t>(now.boot_time), now.uptime)) {
		char text[160];
		std::snprintf(text, sizeof text,
		              "the running boot (at %" PRId64 ", up %" PRId64
		              " seconds) lies beyond the times the store holds",
		              static_cast<int64_t>(now.boot_time), now.uptime);
		*err = text;
		return false;
	}
	recorded->marked =
	    read_boot_mark_in(&files, &recorded->old_mark, &recorded->old_figures) != 0;
	return true;
}

void record_this_boot(recorded_boot *recorded)
{
	recorded->now.sysinfo = recorded->sysinfo.c_str();
	record_running_boot(recorded->now, recorded->marked ? &recorded->old_mark : nullptr,
	                    &recorded->update, recorded->old_figures.uptime);
}

bool marked_boot_ended(const recorded_boot &recorded)
{
	return recorded.marked && *recorded.now.boot_id &&
	       !marks_running_boot(recorded.now, &recorded.old_mark, recorded.old_figures.uptime);
}
