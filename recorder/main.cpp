// corvane-record - keeps the records store: adds the running boot's record or
// raises its uptime, with --import also the past boots that the journal and
// the login records remember, and writes the store back whole; with
// --metrics it also writes the records as metrics for Prometheus.
//
// The store is read, changed and saved under the writers' lock, so that two
// recorders at once take turns; the library writes the new store beside the
// old one and renames it over it, and keeps every line it cannot read.
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "recorder/boot_ends.h"
#include "recorder/figures.h"
#include "recorder/history_sources.h"
#include "recorder/metrics.h"
#include "recorder/running_boot.h"
#include "recorder/status.h"
#include "recorder/store_range.h"

#ifndef CORVANE_RECORD_VERSION
#error "CORVANE_RECORD_VERSION must give the version"
#endif

namespace
{

// The name that messages start with.
constexpr const char *program = "corvane-record";

// What the command line asks for.
struct options {
	const char *store = nullptr; // -f: else the library's store
	history_request history;     // -i and the sources named
	const char *metrics = nullptr;
	bool dry_run = false;
	bool shutdown = false;  // the run at shutdown: the boot ends cleanly
	bool status = false;    // print the status, write nothing
	unsigned int wait = 60; // -W: seconds to wait for the writers' lock
};

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
[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char *format, ...)
{
	std::fprintf(stderr, "%s: ", program);
	va_list args;
	va_start(args, format);
	std::vfprintf(stderr, format, args);
	va_end(args);
	std::fputc('\n', stderr);
	finish(1);
}

[[noreturn]] void usage_error(const char *what, const char *word)
{
	fail("%s '%s' (%s --help lists the options)", what, word, program);
}

[[noreturn]] void show_help()
{
	std::printf("usage: %s [-n] [-f FILE] [-W SECONDS] [-i] [-w FILE] [--journal=DIR]\n"
	            "       [--wtmpdb=FILE] [--metrics=FILE] [--shutdown | --status]\n"
	            "\n"
	            "Records the running boot in the records store: adds its line, or raises\n"
	            "its uptime, and writes the store back whole, keeping every other line.\n"
	            "\n"
	            "  -f, --file=FILE   the records store (now %s)\n"
	            "  -n, --dry-run     print the new store on standard output, write nothing\n"
	            "  -W, --wait=SECONDS\n"
	            "                    wait that long at most for another run to let go of\n"
	            "                    the store's lock, else fail (60; 0: do not wait)\n"
	            "  -i, --import      also add the past boots that the store lacks from\n"
	            "                    every source that exists of\n"
	            "                    %s\n"
	            "  -w, --wtmp=FILE   import from this login accounting file only\n"
	            "      --journal=DIR import from this journal (a folder or a file) only\n"
	            "      --wtmpdb=FILE import from this login database only\n"
	            "                    (the three may be given together)\n"
	            "      --metrics=FILE  also write the records as metrics for Prometheus\n"
	            "      --shutdown    the run at shutdown: also notes that the running\n"
	            "                    boot ended cleanly\n"
	            "      --status      print the records' figures; write nothing\n"
	            "  -h, --help        this help\n"
	            "  -V, --version     version information\n"
	            "\n"
	            "The import prints a summary line, on standard error with -n. Exit status:\n"
	            "0 when the store is written, 1 with a message on standard error when not.\n",
	            program, records_path(), default_history_names().c_str());
	finish(0);
}

[[noreturn]] void show_version()
{
	std::printf("%s %s\n", program, CORVANE_RECORD_VERSION);
	finish(0);
}

// The seconds of --wait: decimal digits only, within unsigned int.
unsigned int read_seconds(const char *text)
{
	unsigned long long value = 0;
	for (const char *p = text; *p; p++) {
		if (*p < '0' || *p > '9' || value > 100000000)
			usage_error("the wait must be whole seconds, not", text);
		value = value * 10 + static_cast<unsigned>(*p - '0');
	}
	if (!*text || value > 0xffffffffu)
		usage_error("the wait must be whole seconds, not", text);
	return static_cast<unsigned int>(value);
}

options read_options(int argc, char **argv)
{
	static const struct option long_options[] = {
	    {"file", required_argument, nullptr, 'f'},
	    {"dry-run", no_argument, nullptr, 'n'},
	    {"import", no_argument, nullptr, 'i'},
	    {"wtmp", required_argument, nullptr, 'w'},
	    {"journal", required_argument, nullptr, 'J'},
	    {"wtmpdb", required_argument, nullptr, 'D'},
	    {"metrics", required_argument, nullptr, 'M'},
	    {"shutdown", no_argument, nullptr, 'S'},
	    {"status", no_argument, nullptr, 's'},
	    {"wait", required_argument, nullptr, 'W'},
	    {"help", no_argument, nullptr, 'h'},
	    {"version", no_argument, nullptr, 'V'},
	    {nullptr, 0, nullptr, 0},
	};
	options opts;
	opterr = 0; // the messages are ours
	for (;;) {
		int last = optind;
		int c = getopt_long(argc, argv, "+:f:niw:W:hV", long_options, nullptr);
		if (c == -1)
			break;
		// The option a message names: the word of a long one, else its
		// letter, which may sit in a group of them.
		const char *word = argv[optind > last ? optind - 1 : last];
		char letter[3] = {'-', static_cast<char>(optopt), '\0'};
		const char *shown = std::strncmp(word, "--", 2) == 0 ? word : letter;
		switch (c) {
		case 'f':
			opts.store = optarg;
			break;
		case 'n':
			opts.dry_run = true;
			break;
		case 'i':
			opts.history.import = true;
			break;
		case 'w':
			opts.history.wtmp = optarg;
			break;
		case 'J':
			opts.history.journal = optarg;
			break;
		case 'D':
			opts.history.wtmpdb = optarg;
			break;
		case 'M':
			opts.metrics = optarg;
			break;
		case 'S':
			opts.shutdown = true;
			break;
		case 's':
			opts.status = true;
			break;
		case 'W':
			opts.wait = read_seconds(optarg);
			break;
		case 'h':
			show_help();
		case 'V':
			show_version();
		case ':':
			usage_error(optopt == 'W' ? "a number of seconds must follow"
			                          : "a file name must follow",
			            shown);
		default:
			usage_error("unknown option", shown);
		}
	}
	if (optind < argc)
		usage_error("unexpected argument", argv[optind]);
	if (opts.store && !*opts.store)
		usage_error("an empty file name for", "--file");
	const char *names[][2] = {{opts.history.wtmp, "--wtmp"},
	                          {opts.history.journal, "--journal"},
	                          {opts.history.wtmpdb, "--wtmpdb"},
	                          {opts.metrics, "--metrics"}};
	for (const auto &name : names)
		if (name[0] && !*name[0])
			usage_error("an empty file name for", name[1]);
	return opts;
}

// Ends the run when another run held the lock all the wait long.
[[noreturn]] void fail_held(const char *lock_file, long holder, unsigned int wait)
{
	std::string by = holder > 0 ? "process " + std::to_string(holder) : "another process";
	fail("cannot lock %s: held by %s (waited %u second%s)", lock_file, by.c_str(), wait,
	     wait == 1 ? "" : "s");
}

// The name of the running system: its system text up to the first blank.
std::string system_name()
{
	std::string text = read_sysinfo();
	return text.substr(0, text.find(' '));
}

// Reads the ends file; a file that cannot be read ends the run.
boot_ends read_ends(const store_files &files)
{
	boot_ends ends;
	std::string path = files.ends;
	int error = 0;
	if (!read_boot_ends(path, ends, error))
		fail("cannot read %s: %s", path.c_str(), std::strerror(error));
	return ends;
}

// Reads the store and makes the running boot's record in urec_list, as the
// boot mark tells (old_mark, with its uptime, -1 for none): update says what
// changed.
void read_store_and_running_boot(const store_files &files, boot_mark &old_mark, int64_t &old_uptime,
                                 bool &marked, boot_update &update)
{
	read_records_in(&files, static_cast<time_t>(-1)); // every stored boot
	std::string sysinfo = read_sysinfo();
	running_boot now = {read_kernel_boot_time(), std::max<int64_t>(read_uptime(), 0),
	                    sysinfo.c_str(), read_boot_id()};
	if (!fits_store(static_cast<int64_t>(now.boot_time), now.uptime))
		fail("the running boot (at %" PRId64 ", up %" PRId64
		     " seconds) lies beyond the times the store holds",
		     static_cast<int64_t>(now.boot_time), now.uptime);
	marked = read_boot_mark_in(&files, &old_mark, &old_uptime) != 0;
	if (!record_running_boot(now, marked ? &old_mark : nullptr, update, old_uptime))
		throw std::bad_alloc();
}

// Ends the run when the store exists and is not a plain file.
void refuse_other_than_plain(const char *store)
{
	struct stat st;
	if (stat(store, &st) == 0 && !S_ISREG(st.st_mode))
		fail("cannot read %s: not a plain file", store);
}

// --status: the store as the next run would leave it, written nowhere.
int show_status(const char *store, const store_files &files)
{
	refuse_other_than_plain(store);
	if (access(store, R_OK) != 0 && errno != ENOENT)
		fail("cannot read %s: %s", store, std::strerror(errno));
	boot_mark mark;
	int64_t mark_uptime;
	bool marked;
	boot_update update;
	read_store_and_running_boot(files, mark, mark_uptime, marked, update);
	print_status(stdout, store, figures_of(urec_list, u_current, read_ends(files)));
	return 0;
}

int run(const options &opts)
{
	// Messages name the store as given; the run reads, locks and writes
	// its real file, so that every path to one store takes one lock.
	std::string store_given = opts.store ? opts.store : records_path();
	const char *store = store_given.c_str();
	store_files files;
	if (make_store_files(store, &files) != 0)
		throw std::bad_alloc();
	const char *lock_file = files.lock;
	if (opts.status) {
		int status = show_status(store, files);
		free_store_files(&files);
		return status;
	}

	// The history is read first: a source that cannot be read ends the run
	// before the store is touched.
	std::vector<history_read> history;
	std::string failure;
	if (!read_histories(opts.history, history, failure))
		fail("%s", failure.c_str());

	refuse_other_than_plain(store);

	int lock = -1;
	if (!opts.dry_run) {
		lock = lock_records_in(&files, static_cast<long>(opts.wait));
		if (lock < 0 && errno == EWOULDBLOCK)
			fail_held(lock_file, records_lock_holder_in(&files), opts.wait);
		if (lock < 0)
			fail("cannot lock %s: %s", lock_file, std::strerror(errno));
	}

	boot_mark old_mark;
	int64_t old_uptime;
	bool marked;
	boot_update update;
	read_store_and_running_boot(files, old_mark, old_uptime, marked, update);
	boot_ends ends = read_ends(files);
	bool ends_changed = note_ends(ends, update, opts.shutdown);
	if (update.uptime_fell)
		std::fprintf(stderr,
		             "%s: the uptime fell from %" PRId64 " to %" PRId64
		             " seconds under one boot id (%s): recorded as a new boot, the "
		             "boot before it as ended %s\n",
		             program, update.fell_from, update.record->uptime, update.mark.id,
		             end_of(ends, update.ended_boot) == boot_end::clean
		                 ? "cleanly (its shutdown run was seen)"
		                 : "uncleanly");
	import_histories(history, system_name().c_str(), &ends, &ends_changed,
	                 update.has_mark ? update.mark.id : "");

	if (opts.dry_run) {
		std::fflush(stdout);
		if (write_records_in(&files, STDOUT_FILENO) != 0)
			fail("cannot write the new %s to standard output: %s", store,
			     std::strerror(errno));
	} else {
		// The ends first, then the mark, then the store: a run stopped
		// between two of them leaves what the next run mends, never a
		// running boot taken for a new one.
		if (ends_changed) {
			std::string text = boot_ends_text(ends);
			if (replace_file(files.ends, text.data(), text.size()) != 0)
				fail("cannot save %s.ends: %s", store, std::strerror(errno));
		}
		bool same_mark = marked && std::strcmp(old_mark.id, update.mark.id) == 0 &&
		                 old_mark.boot_time == update.mark.boot_time &&
		                 old_uptime == update.mark_uptime;
		if (update.has_mark && !same_mark &&
		    save_boot_mark_in(&files, &update.mark, update.mark_uptime) != 0)
			fail("cannot save %s.boot: %s", store, std::strerror(errno));
		if (save_records_in(&files) != 0)
			fail("cannot save %s: %s", store, std::strerror(errno));
		unlock_records(lock);
		if (opts.metrics &&
		    write_metrics(opts.metrics, figures_of(urec_list, u_current, ends)) != 0)
			fail("cannot write %s: %s", opts.metrics, std::strerror(errno));
	}
	if (!history.empty())
		std::fprintf(opts.dry_run ? stderr : stdout, "%s\n",
		             history_summary(history).c_str());
	free_store_files(&files);
	return 0;
}

} // namespace

int main(int argc, char **argv)
{
	options opts = read_options(argc, argv);
	try {
		finish(run(opts));
	} catch (const std::bad_alloc &) {
		fail("out of memory");
	}
}
