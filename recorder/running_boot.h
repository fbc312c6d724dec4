// running_boot.h - the running boot's record in the list read from the store.
#ifndef CORVANE_RECORD_RUNNING_BOOT_H
#define CORVANE_RECORD_RUNNING_BOOT_H

#include <cstdint>
#include <ctime>

#include "corvane.h"

// The record of the boot that started at boot_time in urec_list, made the
// running boot's (u_current): a record of that boot time has its uptime
// raised to uptime, never lowered, and keeps its text; else a new record of
// the three values is added.  NULL when memory is short.
urec *record_running_boot(time_t boot_time, int64_t uptime, const char *sysinfo);

#endif // CORVANE_RECORD_RUNNING_BOOT_H
