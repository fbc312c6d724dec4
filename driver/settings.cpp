#include "driver/settings.h"

#include "corvane.h"

// The settings of this run, written during start-up only.
settings run_settings = {
    .web_mode = 0,
    .show_milestone = 0,
    .show_downtime = 0,
    .follow = 0,
    .sort_order = 0,
    .no_ansi = 0,
    .no_stats = 0,
    .no_current = 0,
    .wide = 0,
    .max_entries = 10,
    .layout = layout_pre,
    .interval = 5,
};

// The running boot's record.  The library reads it, so it is exported from
// the executable; it is set once, right after the record is created.
struct urec *u_current;
