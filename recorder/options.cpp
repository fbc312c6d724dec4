// options.cpp - the recorder's command line: what a run is asked to do.
#include "recorder/options.h"

#include <cstring>

#include <getopt.h>

#if !defined(CORVANE_RECORD_JOURNAL) || !defined(CORVANE_RECORD_WTMPDB)
#error "CORVANE_RECORD_JOURNAL and CORVANE_RECORD_WTMPDB must say which sources are built"
#endif

namespace
{

// A usage error's message: what is wrong, the word at fault, and where the
// options are listed.
bool usage_error(const char *what, const char *word, std::string *err)
{
	*err = std::string(what) + " '" + word + "' (corvane-record --help lists the options)";
	return false;
}

// The seconds of --wait: decimal digits only, within unsigned int.
bool read_seconds(const char *text, unsigned int *seconds, std::string *err)
{
	unsigned long long value = 0;
	for (const char *p = text; *p && value <= 0xffffffffu; p++) {
		if (*p < '0' || *p > '9')
			return usage_error("the wait must be whole seconds, not", text, err);
		value = value * 10 + static_cast<unsigned>(*p - '0');
	}
	if (!*text || value > 0xffffffffu)
		return usage_error("the wait must be whole seconds, not", text, err);
	*seconds = static_cast<unsigned int>(value);
	return true;
}

const struct option long_options[] = {
    {"file", required_argument, nullptr, 'f'},
    {"dry-run", no_argument, nullptr, 'n'},
    {"import", no_argument, nullptr, 'i'},
    {"wtmp", required_argument, nullptr, 'w'},
    {"journal", required_argument, nullptr, 'J'},
    {"wtmpdb", required_argument, nullptr, 'D'},
    {"metrics", required_argument, nullptr, 'M'},
    {"svg", required_argument, nullptr, 'G'}, // the picture of the history
    {"shutdown", no_argument, nullptr, 'S'},
    {"status", no_argument, nullptr, 's'},
    {"export", required_argument, nullptr, 'E'},
    {"since", required_argument, nullptr, 'A'},
    {"until", required_argument, nullptr, 'B'},
    {"check", no_argument, nullptr, 'C'},
    {"wait", required_argument, nullptr, 'W'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Takes the option c (its value in optarg) into opts.
bool take_option(int c, options *opts, std::string *err)
{
	switch (c) {
	case 'f':
		opts->store = optarg;
		break;
	case 'n':
		opts->dry_run = true;
		break;
	case 'i':
		opts->history.import = true;
		break;
	case 'w':
		opts->history.wtmp = optarg;
		break;
	case 'J':
		opts->history.journal = optarg;
		break;
	case 'D':
		opts->history.wtmpdb = optarg;
		break;
	case 'M':
		opts->metrics = optarg;
		break;
	case 'G':
		opts->svg = optarg;
		break;
	case 'S':
		opts->shutdown = true;
		break;
	case 's':
		opts->status = true;
		break;
	case 'W':
		return read_seconds(optarg, &opts->wait, err);
	case 'E':
		if (std::strcmp(optarg, "csv") == 0)
			opts->export_as = export_format::csv;
		else if (std::strcmp(optarg, "json") == 0)
			opts->export_as = export_format::json;
		else
			return usage_error("--export takes csv or json, not", optarg, err);
		break;
	case 'A':
	case 'B':
		if (!parse_date(optarg, c == 'A' ? &opts->range.since : &opts->range.until, err)) {
			*err = std::string(c == 'A' ? "--since: " : "--until: ") + *err;
			return false;
		}
		(c == 'A' ? opts->since_text : opts->until_text) = optarg;
		break;
	case 'C':
		opts->check = true;
		break;
	case 'h':
		opts->help = true;
		break;
	case 'V':
		opts->version = true;
		break;
	}
	return true;
}

// The checks of the options together, once all are read.
bool check_options(const options &opts, std::string *err)
{
	if (opts.store && !*opts.store)
		return usage_error("an empty file name for", "--file", err);
	const char *names[][2] = {{opts.history.wtmp, "--wtmp"},
	                          {opts.history.journal, "--journal"},
	                          {opts.history.wtmpdb, "--wtmpdb"},
	                          {opts.metrics, "--metrics"},
	                          {opts.svg, "--svg"}};
	for (const auto &name : names)
		if (name[0] && !*name[0])
			return usage_error("an empty file name for", name[1], err);
	const char *list = " (corvane-record --help lists the options)";
	// The runs that print and write nothing, one at a time.
	const char *shown = nullptr;
	const char *modes[] = {opts.status ? "--status" : nullptr,
	                       opts.export_as != export_format::none ? "--export" : nullptr,
	                       opts.check ? "--check" : nullptr};
	for (const char *mode : modes) {
		if (!mode)
			continue;
		if (shown) {
			*err = std::string(shown) + " and " + mode + " cannot be given together" +
			       list;
			return false;
		}
		shown = mode;
	}
	if (shown && opts.shutdown) {
		*err = std::string(shown) + " and --shutdown cannot be given together" + list;
		return false;
	}
	if (!whole_time(opts.range)) {
		if (!opts.status && opts.export_as == export_format::none) {
			*err =
			    std::string("--since and --until go with --status or --export") + list;
			return false;
		}
		if (opts.range.since >= opts.range.until) {
			*err = "--since must be before --until";
			return false;
		}
	}
	return true;
}

} // namespace

bool read_options(int argc, char **argv, options *opts, std::string *err)
{
	*opts = options{};
	optind = 0; // from the first argument, whatever read the line before
	opterr = 0; // the messages are ours
	for (;;) {
		int last = optind == 0 ? 1 : optind;
		int c = getopt_long(argc, argv, "+:f:niw:W:hV", long_options, nullptr);
		if (c == -1)
			break;
		// The option a message names: the word of a long one, else its
		// letter, which may sit in a group of them.
		const char *word = argv[optind > last ? optind - 1 : last];
		char letter[3] = {'-', static_cast<char>(optopt), '\0'};
		const char *shown = std::strncmp(word, "--", 2) == 0 ? word : letter;
		if (c == ':')
			return usage_error(optopt == 'W'   ? "a number of seconds must follow"
			                   : optopt == 'E' ? "csv or json must follow"
			                   : optopt == 'A' || optopt == 'B'
			                       ? "a date must follow"
			                       : "a file name must follow",
			                   shown, err);
		if (c == '?')
			return usage_error("unknown option", shown, err);
		if (!take_option(c, opts, err))
			return false;
		if (opts->help || opts->version)
			return true;
	}
	if (optind < argc)
		return usage_error("unexpected argument", argv[optind], err);
	return check_options(*opts, err);
}

void print_help(std::FILE *out, const char *store)
{
	std::fprintf(
	    out,
	    "usage: corvane-record [-n] [-f FILE] [-W SECONDS] [-i] [-w FILE] "
	    "[--journal=DIR]\n"
	    "       [--wtmpdb=FILE] [--metrics=FILE] [--svg=FILE] [--shutdown]\n"
	    "       corvane-record [-f FILE] --status | --export=csv|json [--since=DATE]\n"
	    "                      [--until=DATE]\n"
	    "       corvane-record [-f FILE] --check\n"
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
#if CORVANE_RECORD_JOURNAL
	    "      --journal=DIR import from this journal (a folder or a file) only\n"
#else
	    "      --journal=DIR not in this build, which was made without libsystemd\n"
#endif
#if CORVANE_RECORD_WTMPDB
	    "      --wtmpdb=FILE import from this login database only\n"
#else
	    "      --wtmpdb=FILE not in this build, which was made without SQLite\n"
#endif
	    "                    (the three may be given together)\n"
	    "      --metrics=FILE  also write the records as metrics for Prometheus\n"
	    "      --svg=FILE    also draw the last 90 days of boots as an SVG picture\n"
	    "      --shutdown    the run at shutdown: also notes that the running\n"
	    "                    boot ended cleanly\n"
	    "      --status      print the records' figures; write nothing\n"
	    "      --export=csv|json\n"
	    "                    print every boot as CSV or JSON Lines; write nothing\n"
	    "      --since=DATE, --until=DATE\n"
	    "                    only the time from, or up to, DATE for --status and\n"
	    "                    --export: 2026-11-01, '2026-11-01 08:00', local time,\n"
	    "                    or with an offset 2026-11-01T08:00:00+01:00, or @SECONDS\n"
	    "      --check       print the doubtful records; write nothing\n"
	    "  -h, --help        this help\n"
	    "  -V, --version     version information\n"
	    "\n"
	    "The import prints a summary line, on standard error with -n. Exit "
	    "status:\n"
	    "0 when the store is written, 1 with a message on standard error when "
	    "not;\n"
	    "--check: 0 when nothing is doubtful, 2 when something is.\n",
	    store, default_history_names().c_str());
}
