// keep_store.cpp - the store's part of a run.
#include "recorder/keep_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "recorder/plain_file.h"

namespace
{

// A message that names the file and the reason.
bool failed(const std::string &what, const std::string &file, const std::string &reason,
            std::string *err)
{
	*err = what + " " + file + ": " + reason;
	return false;
}

} // namespace

bool check_plain_store(const store_names &store, std::string *err)
{
	struct stat st;
	if (stat(store.named.c_str(), &st) == 0 && plain_file_error(st) != 0)
		return failed("cannot read", store.named, store_read_reason(plain_file_error(st)),
		              err);
	return true;
}

bool lock_store(const store_names &store, unsigned int wait, int *lock, std::string *err)
{
	*lock = lock_records_in(&store.files, static_cast<long>(wait));
	if (*lock >= 0)
		return true;
	if (errno != EWOULDBLOCK)
		return failed("cannot lock", store.files.lock, store_reason(errno), err);
	long holder = records_lock_holder_in(&store.files);
	std::string by = holder > 0 ? "process " + std::to_string(holder) : "another process";
	return failed("cannot lock", store.files.lock,
	              "held by " + by + " (waited " + std::to_string(wait) + " second" +
	                  (wait == 1 ? "" : "s") + ")",
	              err);
}

bool read_store(const store_names &store, std::string *err)
{
	if (read_records_in(&store.files, static_cast<time_t>(-1)) == 0) // every stored boot
		return true;
	if (errno == ENOMEM)
		throw std::bad_alloc();
	return failed("cannot read", store.named, store_read_reason(errno), err);
}

bool print_store(const store_names &store, std::string *err)
{
	std::fflush(stdout);
	if (write_records_in(&store.files, STDOUT_FILENO) == 0)
		return true;
	return failed("cannot write the new", store.named + " to standard output",
	              std::strerror(errno), err);
}

bool store_is_due(const recorded_boot &recorded, bool shutdown, bool importing)
{
	const running_boot &now = recorded.now;
	const boot_mark_figures &told = recorded.old_figures;
	bool holds_it = recorded.marked && told.uptime >= 0 &&
	                marks_running_boot(now, &recorded.old_mark, told.uptime) &&
	                recorded.old_mark.boot_time == now.boot_time && told.stored >= 0 &&
	                now.uptime >= told.stored;
	return shutdown || importing || !holds_it || now.uptime - told.stored >= store_lag;
}

bool save_mark_only(const store_names &store, const recorded_boot &recorded, std::string *err)
{
	boot_mark_figures figures = recorded.old_figures;
	figures.uptime = recorded.now.uptime;
	figures.suspended = recorded.now.suspended;
	if (save_boot_mark_in(&store.files, &recorded.old_mark, &figures) != 0)
		return failed("cannot save", store.named_mark, store_reason(errno), err);
	return true;
}

bool save_ended_boot(const store_names &store, const recorded_boot &recorded, std::string *err)
{
	const boot_mark_figures &told = recorded.old_figures;
	// A mark without a stored uptime is an older recorder's, which wrote the
	// store on every run, or that of a first run stopped before its store.
	if (!marked_boot_ended(recorded) || told.uptime < 0 ||
	    (told.stored >= 0 && told.uptime <= told.stored))
		return true;
	if (save_records_in(&store.files) != 0)
		return failed("cannot save", store.named, store_reason(errno), err);
	return true;
}

bool save_store(const store_names &store, const recorded_boot &recorded, const boot_ends &ends,
                bool ends_changed, std::string *err)
{
	if (ends_changed) {
		std::string text = boot_ends_text(ends);
		if (replace_file(store.files.ends, text.data(), text.size()) != 0)
			return failed("cannot save", store.named_ends, store_reason(errno), err);
	}
	const boot_update &update = recorded.update;
	boot_mark_figures figures = {update.mark_uptime, -1, recorded.now.suspended};
	// The mark names another boot than before only on a new boot (a
	// marked boot id that is not the running boot's is one) or a first mark.
	bool new_mark = update.has_mark && (!recorded.marked || update.new_boot);
	if (new_mark && save_boot_mark_in(&store.files, &update.mark, &figures) != 0)
		return failed("cannot save", store.named_mark, store_reason(errno), err);
	if (save_records_in(&store.files) != 0)
		return failed("cannot save", store.named, store_reason(errno), err);
	figures.stored = update.record->uptime;
	if (update.has_mark && save_boot_mark_in(&store.files, &update.mark, &figures) != 0)
		return failed("cannot save", store.named_mark, store_reason(errno), err);
	return true;
}
