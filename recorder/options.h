// options.h - the recorder's command line: what a run is asked to do.
#ifndef CORVANE_RECORD_OPTIONS_H
#define CORVANE_RECORD_OPTIONS_H

#include <cstdio>
#include <string>

#include "recorder/history/history_sources.h"
#include "recorder/history_view/time_range.h"

// The formats of --export.
enum class export_format { none, csv, json };

// What the command line asks for.
struct options {
	const char *store = nullptr; // -f: else the library's store
	history_request history;     // -i and the sources named
	const char *metrics = nullptr;
	const char *svg = nullptr; // --svg: the picture of the history
	bool dry_run = false;
	bool shutdown = false;                         // the run at shutdown: the boot ends cleanly
	bool status = false;                           // print the status, write nothing
	export_format export_as = export_format::none; // print every boot, write nothing
	bool check = false;                            // print the doubtful records, write nothing
	time_range range;                 // --since and --until: the boots of --status and --export
	const char *since_text = nullptr; // the dates as given, for messages
	const char *until_text = nullptr;
	unsigned int wait = 60; // -W: seconds to wait for the writers' lock
	bool help = false;      // -h: print the help, nothing else
	bool version = false;   // -V: print the version, nothing else
};

// Reads the command line into opts, up to its end or to -h or -V, which end
// the reading with help or version set.  false, with the message of the
// usage error in err (without the program's name before it), when it names
// an unknown option, lacks an option's value, gives a wait that is not whole
// seconds within unsigned int, an empty file name, an argument, a format of
// --export other than csv and json, a date of --since or --until that
// parse_date cannot read, a --since not before --until, a range without
// --status or --export, more than one of --status, --export and --check, or
// one of them with --shutdown.
bool read_options(int argc, char **argv, options *opts, std::string *err);

// Prints the help: the options, the store that a run without -f keeps
// (store), and the history sources that -i reads.
void print_help(std::FILE *out, const char *store);

#endif // CORVANE_RECORD_OPTIONS_H
