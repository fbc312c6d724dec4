#include "driver/options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "driver/credits.h"
#include "driver/number.h"
#include "driver/settings.h"

// Scanning stops at the first operand; the C library of GNU reorders the
// arguments unless the option string starts with "+".
#ifdef __GLIBC__
#define SCAN_IN_ORDER "+"
#else
#define SCAN_IN_ORDER ""
#endif

static const char option_string[] = SCAN_IN_ORDER "i:m:?hacbdBkKfsMwv";

static const char *const help_lines[] = {
    "  -h             this help",
    "  -a             do not print ansi codes",
    "  -b             sort by boottime",
    "  -B             reverse sort by boottime",
    "  -k             sort by sysinfo",
    "  -K             reverse sort by sysinfo",
    "  -d             print downtime seen before every uptimes instead of system",
    "  -c             do not show current entry if not in top entries",
    "  -f             run continuously in a loop",
    "  -s             do not print extra statistics",
    "  -w             wide output (more than 80 cols per line)",
    "  -i INTERVAL    use INTERVAL seconds for loop instead of 5, implies -f",
    "  -m COUNT       show a maximum of top COUNT entries instead of 10",
    "  -M             show next milestone",
    "  -v             version information",
};

static void print_help(const char *program_name)
{
	std::printf("usage: %s [OPTION]...\n\n", program_name);
	for (const char *line : help_lines)
		std::puts(line);
}

void show_help(const char *program_name)
{
	print_help(program_name);
	std::exit(0);
}

void show_short_help(const char *program_name)
{
	std::printf("usage: %s [-hacdfMswv] [-i interval] [-m count]\n", program_name);
	std::exit(1);
}

void show_version()
{
	std::puts("vellipo " VELLIPO_VERSION " by " VELLIPO_AUTHOR " <" VELLIPO_AUTHOR_MAIL ">");
	std::puts("enhanced and maintained by " VELLIPO_MAINTAINER " <" VELLIPO_MAINTAINER_MAIL
	          ">");
	std::exit(0);
}

// The value of -i or -m, whose argument must start with a decimal digit.
static int32_t option_number(const char *program_name, int letter, const char *argument)
{
	if (!std::isdigit(static_cast<unsigned char>(argument[0]))) {
		std::printf("%s: option requires argument -- %c\n", program_name, letter);
		show_short_help(program_name);
	}
	return read_number(argument);
}

void scan_options(int argc, char **argv)
{
	const char *name = argv[0];
	for (;;) {
		// getopt sets optopt only when it rejects a word, which tells a
		// rejected letter or a missing argument from an explicit -?.
		optopt = 0;
		int c = getopt(argc, argv, option_string);
		if (c == -1)
			break;
		switch (c) {
		case 'h':
			show_help(name);
		case '?':
			if (optopt == 0 || optopt == '?')
				show_help(name);
			// getopt has printed its diagnostic: a usage error.
			print_help(name);
			std::exit(1);
		case 'a':
			run_settings.no_ansi++;
			break;
		case 'b':
			run_settings.sort_order = 1;
			run_settings.no_stats++;
			break;
		case 'B':
			run_settings.sort_order = -1;
			run_settings.no_stats++;
			break;
		case 'k':
			run_settings.sort_order = 2;
			run_settings.no_stats++;
			break;
		case 'K':
			run_settings.sort_order = -2;
			run_settings.no_stats++;
			break;
		case 'c':
			run_settings.no_current++;
			break;
		case 'd':
			run_settings.show_downtime++;
			break;
		case 'f':
			run_settings.follow++;
			break;
		case 's':
			run_settings.no_stats++;
			break;
		case 'M':
			run_settings.show_milestone++;
			break;
		case 'w':
			run_settings.wide++;
			break;
		case 'i':
			run_settings.interval = option_number(name, 'i', optarg);
			run_settings.follow++;
			break;
		case 'm':
			run_settings.max_entries = option_number(name, 'm', optarg);
			break;
		case 'v':
			show_version();
		default:
			break;
		}
	}
}
