// corvane-record - keeps the records store: adds the running boot's record or
// raises its uptime, with --import also the past boots that the journal and
// the login records remember, and writes the store back whole; with
// --metrics it also writes the records as metrics for Prometheus.
//
// The store is read, changed and saved under the writers' lock, so that two
// recorders at once take turns; the library writes the new store beside the
// old one and renames it over it, and keeps every line it cannot read.
//
// The calls below main's give false with their message, which names the file
// and the reason; main's steps print it once, after the program's name, and
// end the run with status 1.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "recorder/boot_state/boot_ends.h"
#include "recorder/boot_state/figures.h"
#include "recorder/boot_state/metrics.h"
#include "recorder/boot_state/status.h"
#include "recorder/history/history_sources.h"
#include "recorder/keep_store.h"
#include "recorder/options.h"
#include "recorder/picture/svg.h"
#include "recorder/running_boot.h"
#include "recorder/store_files.h"

#ifndef CORVANE_RECORD_VERSION
#error "CORVANE_RECORD_VERSION must give the version"
#endif

namespace
{

// The name that messages start with.
constexpr const char *program = "corvane-record";

// Ends the run with status, after the last of standard output is written: a
// write error there ends it with status 1 and a message instead.
[[noreturn]] void finish(int status)
{
	errno = 0;
	if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
		int error = errno != 0 ? errno : EIO;
		std::fprintf(stderr, "%s: write error on standard output: %s\n", program,
		             std::strerror(error));
		status = 1;
	}
	std::exit(status);
}

// Prints "corvane-record: MESSAGE" on standard error and ends with status 1.
[[noreturn]] void fail(const std::string &message)
{
	std::fprintf(stderr, "%s: %s\n", program, message.c_str());
	finish(1);
}

// Ends the run with the message of a step that did not work out.
void check(bool done, const std::string &err)
{
	if (!done)
		fail(err);
}

// The name of the running system: its system text up to the first blank.
std::string system_name()
{
	std::string text = read_sysinfo();
	return text.substr(0, text.find(' '));
}

// Reads the store and makes the running boot's record, which becomes the
// library's u_current: what the boot mark told and what changed.
recorded_boot read_store_and_running_boot(const store_files &store)
{
	std::string err;
	recorded_boot recorded;
	check(read_store(store, &err), err);
	check(record_this_boot(&recorded, &err), err);
	u_current = recorded.update.record;
	return recorded;
}

boot_ends read_ends(const store_files &store)
{
	boot_ends ends;
	std::string err;
	check(read_boot_ends(store.ends, &ends, &err), err);
	return ends;
}

// Says once, on standard error, that the uptime fell under one boot id.
void tell_uptime_fell(const boot_update &update, const boot_ends &ends)
{
	if (!update.uptime_fell)
		return;
	std::fprintf(stderr,
	             "%s: the uptime fell from %" PRId64 " to %" PRId64
	             " seconds under one boot id (%s): recorded as a new boot, the "
	             "boot before it as ended %s\n",
	             program, update.fell_from, update.record->uptime, update.mark.id,
	             how_ended(ends, update.ended_boot) == boot_end::clean
	                 ? "cleanly (its shutdown run was seen)"
	                 : "uncleanly");
}

// --status: the store as the next run would leave it, written nowhere.  A
// store that does not exist, or of which no line could be read, has no
// figures to tell: the message says so and how to start one.
int show_status(const store_files &store, bool named)
{
	std::string err;
	const char *path = store.named.c_str();
	check(check_plain_store(store, &err), err);
	if (access(path, R_OK) != 0 && errno != ENOENT)
		fail("cannot read " + store.named + ": " + store_reason(errno));
	struct stat st;
	bool exists = stat(path, &st) == 0;
	recorded_boot recorded = read_store_and_running_boot(store);
	record_figures figures = figures_of(urec_list, u_current, read_ends(store));
	std::string start = std::string(program) + " --import";
	if (named)
		start += " -f " + store.named;
	if (!exists || st.st_size == 0)
		fail(store.named + " " + (exists ? "holds no record yet" : "does not exist yet") +
		     ": " + start + " (as root) starts it with the boots this machine remembers");
	if (figures.boots - (recorded.update.added ? 1 : 0) == 0)
		fail("no line of " + store.named +
		     " could be read as a record: is it a records store?");
	print_status(stdout, path, figures);
	return 0;
}

int run(const options &opts)
{
	// Messages name the store as given; the run reads, locks and writes
	// its real file, so that every path to one store takes one lock.
	store_files store = use_store(opts.store);
	if (opts.status)
		return show_status(store, opts.store != nullptr);
	std::string err;
	if (opts.metrics)
		check(check_metrics_folder(opts.metrics, &err), err);
	if (opts.svg)
		check(check_metrics_folder(opts.svg, &err), err);
	// The history is read first: a source that cannot be read ends the run
	// before the store is touched.
	std::vector<history_read> history;
	check(read_histories(opts.history, &history, &err), err);
	check(check_plain_store(store, &err), err);
	int lock = -1;
	if (!opts.dry_run)
		check(lock_store(store, opts.wait, &lock, &err), err);

	recorded_boot recorded = read_store_and_running_boot(store);
	const boot_update &update = recorded.update;
	boot_ends ends = read_ends(store);
	bool ends_changed = note_ends(ends, update, opts.shutdown);
	tell_uptime_fell(update, ends);
	import_histories(history, system_name().c_str(), &ends, &ends_changed,
	                 update.has_mark ? update.mark.id : "");

	if (opts.dry_run) {
		check(print_store(store, &err), err);
	} else {
		check(save_store(store, recorded, ends, ends_changed, &err), err);
		unlock_records(lock);
		if (opts.metrics)
			check(write_metrics(opts.metrics, figures_of(urec_list, u_current, ends),
			                    &err),
			      err);
		if (opts.svg)
			check(write_history_svg(opts.svg, urec_list, u_current, ends, &err), err);
	}
	if (!history.empty())
		std::fprintf(opts.dry_run ? stderr : stdout, "%s\n",
		             history_summary(history).c_str());
	return 0;
}

} // namespace

int main(int argc, char **argv)
{
	options opts;
	std::string err;
	check(read_options(argc, argv, &opts, &err), err);
	if (opts.help) {
		print_help(stdout, records_path());
		finish(0);
	}
	if (opts.version) {
		std::printf("%s %s\n", program, CORVANE_RECORD_VERSION);
		finish(0);
	}
	try {
		finish(run(opts));
	} catch (const std::bad_alloc &) {
		fail("out of memory");
	}
}
