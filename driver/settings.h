// The program-wide settings, gathered at start-up from the program name, the
// web settings file and the command line.
#ifndef VELLIPO_SETTINGS_H
#define VELLIPO_SETTINGS_H

#include <cstdint>

// Page layouts; outside web mode the layout is always layout_pre.
enum : int32_t { layout_pre = 1, layout_list = 2, layout_table = 3 };

// On/off fields are counters: each occurrence of an option adds one and any
// value but 0 means on.
struct settings {
	int32_t web_mode;       // the output is a web page for a CGI server
	int32_t show_milestone; // the statistics show the next milestone
	int32_t show_downtime;  // rows show the downtime before each boot
	int32_t follow;         // redraw the report forever
	int32_t sort_order;     // order handed to sort_urec
	int32_t no_ansi;        // no highlighting and no screen clearing
	int32_t no_stats;       // no statistics block
	int32_t no_current;     // no extra row for a current entry not shown
	int32_t wide;           // system texts are not cut to 24 characters
	int32_t max_entries;    // number of top entries shown, 0 for all
	int32_t layout;         // layout_pre, layout_list or layout_table
	int32_t interval;       // seconds between two redraws
};

extern settings run_settings;

#endif
