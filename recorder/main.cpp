// corvane-record - keeps the records store: adds the running boot's record or
// raises its uptime, with --import also the past boots that the journal and
// the login records remember, and writes the store back whole; with
// --metrics it also writes the records as metrics for Prometheus.  --status,
// --export and --check read the store and the files beside it and tell of
// the history, writing nothing.
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
#include "recorder/history_view/boot_rows.h"
#include "recorder/history_view/check.h"
#include "recorder/history_view/export.h"
#include "recorder/history_view/release_summary.h"
#include "recorder/history_view/status_sections.h"
#include "recorder/history_view/windows.h"
#include "recorder/keep_store.h"
#include "recorder/options.h"
#include "recorder/picture/svg.h"
#include "recorder/running_boot.h"
#include "recorder/store_names.h"
#include "recorder/store_range.h"

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

// What the system and the boot mark tell of the running boot.
recorded_boot look_at_running_boot(const store_names &store)
{
	std::string err;
	recorded_boot recorded;
	check(look_at_running_boot(store.files, &recorded, &err), err);
	return recorded;
}

// Reads the store and makes the running boot's record, which becomes the
// library's u_current.
void read_store_and_running_boot(const store_names &store, recorded_boot *recorded)
{
	std::string err;
	check(read_store(store, &err), err);
	record_this_boot(recorded);
	u_current = recorded->update.record;
}

boot_ends read_ends(const store_names &store)
{
	boot_ends ends;
	std::string err;
	check(read_boot_ends(store.files.ends, &ends, &err), err);
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

// The history as the next run would leave it, nothing written, for
// --status, --export and --check.  A store that does not exist, or of which
// no line could be read, has no history to tell: the message says so and how
// to start one.
struct read_history {
	recorded_boot recorded;
	boot_ends ends;
	std::string running_id; // the running boot's id, "" when unknown
	int64_t now = 0;        // the end of the running boot
	int64_t suspended = -1; // the running boot's time suspended, -1: unknown
};

read_history read_for_view(const store_names &store, bool named)
{
	std::string err;
	const char *path = store.named.c_str();
	check(check_plain_store(store, &err), err);
	if (access(path, R_OK) != 0 && errno != ENOENT)
		fail("cannot read " + store.named + ": " + store_reason(errno));
	struct stat st;
	bool exists = stat(path, &st) == 0;
	read_history h;
	h.recorded = look_at_running_boot(store);
	read_store_and_running_boot(store, &h.recorded);
	h.ends = read_ends(store);
	std::string start = std::string(program) + " --import";
	if (named)
		start += " -f " + store.named;
	if (!exists || st.st_size == 0)
		fail(store.named + " " + (exists ? "holds no record yet" : "does not exist yet") +
		     ": " + start + " (as root) starts it with the boots this machine remembers");
	int64_t stored = 0;
	for (const urec *rec = urec_list; rec; rec = rec->next)
		stored++;
	if (stored - (h.recorded.update.added ? 1 : 0) == 0)
		fail("no line of " + store.named +
		     " could be read as a record: is it a records store?");
	if (h.recorded.update.has_mark)
		h.running_id = h.recorded.update.mark.id;
	h.now = clamped_sum(u_current->boot_time, u_current->uptime);
	h.suspended = h.recorded.now.suspended;
	return h;
}

// The windows' availability for the metrics and the status.
std::vector<window_ratio> window_ratios(const std::vector<window_figure> &windows)
{
	std::vector<window_ratio> ratios;
	for (const window_figure &w : windows)
		ratios.push_back({w.label, availability_of(w.time)});
	return ratios;
}

// The records of rows as a list of their own, cut to the range, with the
// ends under the cut boot times: the figures of the first lines in a range.
struct cut_list {
	std::vector<urec> recs;
	const urec *current = nullptr;
	boot_ends ends;
};

cut_list cut_records(const std::vector<boot_row> &rows)
{
	cut_list cut;
	cut.recs.reserve(rows.size());
	for (const boot_row &row : rows) {
		urec rec = *row.rec;
		rec.boot_time = static_cast<time_t>(row.start);
		rec.uptime = row.end - row.start;
		rec.downtime = row.downtime;
		cut.recs.push_back(rec);
		if (row.outcome == boot_outcome::clean)
			cut.ends.ends[row.start] = boot_end::clean;
		if (row.outcome == boot_outcome::unclean)
			cut.ends.ends[row.start] = boot_end::unclean;
	}
	for (std::size_t i = 0; i < cut.recs.size(); i++) {
		cut.recs[i].next = i + 1 < cut.recs.size() ? &cut.recs[i + 1] : nullptr;
		if (rows[i].outcome == boot_outcome::running)
			cut.current = &cut.recs[i];
	}
	return cut;
}

// "since SINCE until UNTIL", "since SINCE" or "until UNTIL", as given.
std::string range_words(const options &opts)
{
	std::string words;
	if (opts.since_text)
		words += std::string("since ") + opts.since_text;
	if (opts.until_text)
		words += std::string(words.empty() ? "" : " ") + "until " + opts.until_text;
	return words;
}

// --status: the first lines over the range (all of time unless one is
// given), then the sections below them.
int show_status(const store_names &store, const options &opts)
{
	read_history h = read_for_view(store, opts.store != nullptr);
	const char *path = store.named.c_str();
	std::vector<boot_row> all =
	    boot_rows(urec_list, u_current, h.ends, h.running_id, {}, h.suspended);
	std::vector<boot_row> rows =
	    whole_time(opts.range)
	        ? all
	        : boot_rows(urec_list, u_current, h.ends, h.running_id, opts.range, h.suspended);
	if (rows.empty())
		fail("no boot of " + store.named + " falls " + range_words(opts));
	std::vector<window_figure> windows = windows_at(urec_list, h.now);
	if (whole_time(opts.range)) {
		record_figures figures = figures_of(urec_list, u_current, h.ends);
		print_status(stdout, path, figures);
	} else {
		cut_list cut = cut_records(rows);
		print_status(stdout, path, figures_of(&cut.recs[0], cut.current, cut.ends));
		print_range(stdout, time_in_range(urec_list, opts.range));
	}
	print_windows(stdout, windows);
	print_ends_summary(stdout, summary_of_ends(rows));
	std::printf("\n");
	print_release_table(stdout, release_summary(rows));
	std::printf("\n");
	std::vector<finding> found = doubtful_records(all);
	std::printf("check           %s\n", findings_headline(found.size(), all.size()).c_str());
	print_findings(stdout, found, running_container_sign(), "  ");
	return 0;
}

// --export: every boot of the range, the text written at once.
int show_export(const store_names &store, const options &opts)
{
	read_history h = read_for_view(store, opts.store != nullptr);
	std::vector<boot_row> rows =
	    boot_rows(urec_list, u_current, h.ends, h.running_id, opts.range, h.suspended);
	std::string text =
	    opts.export_as == export_format::csv ? export_csv(rows) : export_json_lines(rows);
	std::fwrite(text.data(), 1, text.size(), stdout);
	return 0;
}

// --check: the doubtful records, status 2 when there is one (or the run is
// in a container), else 0.
int show_check(const store_names &store, const options &opts)
{
	read_history h = read_for_view(store, opts.store != nullptr);
	std::vector<boot_row> all =
	    boot_rows(urec_list, u_current, h.ends, h.running_id, {}, h.suspended);
	std::vector<finding> found = doubtful_records(all);
	std::string sign = running_container_sign();
	std::printf("%s\n", findings_headline(found.size(), all.size()).c_str());
	print_findings(stdout, found, sign, "");
	return found.empty() && sign.empty() ? 0 : 2;
}

// The figures of the metrics: the records', and the windows' availability
// up to the end of the running boot.
record_figures metrics_figures(const boot_ends &ends)
{
	record_figures figures = figures_of(urec_list, u_current, ends);
	figures.windows = window_ratios(
	    windows_at(urec_list, clamped_sum(u_current->boot_time, u_current->uptime)));
	return figures;
}

// The run that keeps the store: the running boot recorded, with --import
// the boots the system remembers, and the store saved with the files beside
// it.
int record(const options &opts, const store_names &store)
{
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

	// A run of a boot that the store holds, up to date but for the uptime,
	// saves the boot mark alone, and reads the store only for the metrics.
	recorded_boot recorded = look_at_running_boot(store);
	struct stat st;
	bool due = opts.dry_run || store_is_due(recorded, opts.shutdown, !history.empty()) ||
	           stat(store.files.store, &st) != 0 || st.st_size == 0;
	if (!due && !opts.metrics) {
		check(save_mark_only(store, recorded, &err), err);
		unlock_records(lock);
		return 0;
	}
	check(read_store(store, &err), err);
	if (due && !opts.dry_run)
		check(save_ended_boot(store, recorded, &err), err);
	record_this_boot(&recorded);
	u_current = recorded.update.record;
	const boot_update &update = recorded.update;
	boot_ends ends = read_ends(store);
	bool ends_changed = note_ends(ends, update, opts.shutdown);
	ends_changed = note_suspended(ends, recorded, opts.shutdown) || ends_changed;
	tell_uptime_fell(update, ends);
	import_histories(history, system_name().c_str(), &ends, &ends_changed,
	                 update.has_mark ? update.mark.id : "");

	if (opts.dry_run) {
		check(print_store(store, &err), err);
	} else {
		if (due)
			check(save_store(store, recorded, ends, ends_changed, &err), err);
		else
			check(save_mark_only(store, recorded, &err), err);
		unlock_records(lock);
		if (opts.metrics)
			check(write_metrics(opts.metrics, metrics_figures(ends), &err), err);
		if (opts.svg)
			check(write_history_svg(opts.svg, urec_list, u_current, ends, &err), err);
	}
	if (!history.empty())
		std::fprintf(opts.dry_run ? stderr : stdout, "%s\n",
		             history_summary(history).c_str());
	return 0;
}

int run(const options &opts)
{
	// Messages name the store as given; the run reads, locks and writes
	// its real file, so that every path to one store takes one lock.
	store_names store = name_store(opts.store);
	int status = opts.status                             ? show_status(store, opts)
	             : opts.export_as != export_format::none ? show_export(store, opts)
	             : opts.check                            ? show_check(store, opts)
	                                                     : record(opts, store);
	forget_store_names(&store);
	return status;
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
