// corvane-record - keeps the records store: adds the running boot's record or
// raises its uptime, with --import also the past boots that the login
// accounting file remembers, and writes the store back whole.
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

#include "corvane.h"
#include "recorder/boot_history.h"
#include "recorder/import.h"
#include "recorder/running_boot.h"
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
	const char *store = nullptr;   // -f: else the library's store
	const char *history = nullptr; // -w: else the system's
	bool dry_run = false;
	bool import = false;
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
	std::printf("usage: %s [-n] [-f FILE] [-W SECONDS] [-i] [-w FILE]\n"
	            "\n"
	            "Records the running boot in the records store: adds its line, or raises\n"
	            "its uptime, and writes the store back whole, keeping every other line.\n"
	            "\n"
	            "  -f, --file=FILE   the records store (now %s)\n"
	            "  -n, --dry-run     print the new store on standard output, write nothing\n"
	            "  -W, --wait=SECONDS\n"
	            "                    wait that long at most for another run to let go of\n"
	            "                    the store's lock, else fail (60; 0: do not wait)\n"
	            "  -i, --import      also add the past boots that the login accounting\n"
	            "                    file remembers and the store lacks\n"
	            "  -w, --wtmp=FILE   the login accounting file to import from (%s);\n"
	            "                    implies --import\n"
	            "  -h, --help        this help\n"
	            "  -V, --version     version information\n"
	            "\n"
	            "The import prints a summary line, on standard error with -n. Exit status:\n"
	            "0 when the store is written, 1 with a message on standard error when not.\n",
	            program, records_path(), default_boot_history());
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
	    {"file", required_argument, nullptr, 'f'}, {"dry-run", no_argument, nullptr, 'n'},
	    {"import", no_argument, nullptr, 'i'},     {"wtmp", required_argument, nullptr, 'w'},
	    {"wait", required_argument, nullptr, 'W'}, {"help", no_argument, nullptr, 'h'},
	    {"version", no_argument, nullptr, 'V'},    {nullptr, 0, nullptr, 0},
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
			opts.import = true;
			break;
		case 'w':
			opts.history = optarg;
			opts.import = true;
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
	if (opts.history && !*opts.history)
		usage_error("an empty file name for", "--wtmp");
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

// The summary of an import, or why there was nothing to import.
void report_import(std::FILE *out, const char *path, history_status status,
                   const import_counts &counts)
{
	if (status == history_status::missing) {
		std::fprintf(out, "no boot history to import: %s does not exist\n", path);
	} else if (status == history_status::empty) {
		std::fprintf(out, "no boot history to import: %s is empty\n", path);
	} else {
		std::fprintf(out,
		             "imported %" PRId64 " boot%s from %s, %" PRId64
		             " already recorded, skipped %" PRId64 " that could not be bounded\n",
		             counts.imported, counts.imported == 1 ? "" : "s", path, counts.known,
		             counts.skipped);
	}
}

int run(const options &opts)
{
	if (opts.store)
		setenv("CORVANE_RECORDS", opts.store, 1);
	// Messages name the store as given; the run reads, locks and writes
	// its real file, so that every path to one store takes one lock.
	std::string store_given = records_path();
	const char *store = store_given.c_str();
	std::string lock_file = store_given + ".lock";
	if (char *real = real_file_path(store)) {
		setenv("CORVANE_RECORDS", real, 1);
		lock_file = std::string(real) + ".lock";
		std::free(real);
	}

	// The history is read first: a file that cannot be read ends the run
	// before the store is touched.
	const char *history_path = opts.history ? opts.history : default_boot_history();
	std::vector<past_boot> history;
	history_status history_read = history_status::empty;
	if (opts.import) {
		int error = 0;
		history_read = read_boot_history(history_path, history, error);
		if (history_read == history_status::unreadable)
			fail("cannot read %s: %s", history_path, std::strerror(error));
	}

	struct stat st;
	if (stat(store, &st) == 0 && !S_ISREG(st.st_mode))
		fail("cannot read %s: not a plain file", store);

	int lock = -1;
	if (!opts.dry_run) {
		lock = lock_records_within(opts.wait);
		if (lock < 0 && errno == EWOULDBLOCK)
			fail_held(lock_file.c_str(), records_lock_holder(), opts.wait);
		if (lock < 0)
			fail("cannot lock %s: %s", lock_file.c_str(), std::strerror(errno));
	}

	read_records(static_cast<time_t>(-1)); // every stored boot
	int64_t uptime = read_uptime();
	time_t boot_time = readbootid();
	std::string sysinfo = read_sysinfo();
	if (uptime < 0)
		uptime = 0;
	if (!fits_store(static_cast<int64_t>(boot_time), uptime))
		fail("the running boot (at %" PRId64 ", up %" PRId64
		     " seconds) lies beyond the times the store holds",
		     static_cast<int64_t>(boot_time), uptime);
	if (!record_running_boot(boot_time, uptime, sysinfo.c_str()))
		throw std::bad_alloc();

	import_counts counts = {0, 0, 0};
	if (history_read == history_status::read)
		counts = import_boots(history, system_name().c_str());

	if (opts.dry_run) {
		std::fflush(stdout);
		if (write_records(STDOUT_FILENO) != 0)
			fail("cannot write the new %s to standard output: %s", store,
			     std::strerror(errno));
	} else {
		if (save_records() != 0)
			fail("cannot save %s: %s", store, std::strerror(errno));
		unlock_records(lock);
	}
	if (opts.import)
		report_import(opts.dry_run ? stderr : stdout, history_path, history_read, counts);
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
