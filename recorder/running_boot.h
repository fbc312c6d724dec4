// running_boot.h - the running boot's record in the list read from the store.
#ifndef CORVANE_RECORD_RUNNING_BOOT_H
#define CORVANE_RECORD_RUNNING_BOOT_H

#include <cstdint>
#include <ctime>
#include <string>

#include "corvane_store.h"

// What the system tells of the running boot.
struct running_boot {
	time_t boot_time;       // the kernel's boot time now, which clock steps move
	int64_t uptime;         // seconds since boot
	const char *sysinfo;    // the system text of a new record
	const char *boot_id;    // the kernel's boot id, "" when it keeps none
	int64_t suspended = -1; // of the uptime, seconds suspended; -1: unknown
};

// What record_running_boot found and did.
struct boot_update {
	urec *record = nullptr;   // the running boot's record, for u_current
	bool added = false;       // a new record was added for it
	bool moved = false;       // its record moved to another boot time
	time_t moved_from = 0;    // the boot time it was stored under, when moved
	bool new_boot = false;    // the boot mark named another boot: it has ended
	time_t ended_boot = 0;    // that boot's stored boot time, when new_boot
	boot_mark mark = {};      // the mark to save, when the boot id is known
	int64_t mark_uptime = 0;  // the uptime to save with it: the running boot's
	bool has_mark = false;    // the boot id is known: mark is to be saved
	bool uptime_fell = false; // the mark named the boot id, with a longer uptime
	int64_t fell_from = 0;    // the mark's uptime, when uptime_fell
};

// Whether mark (null: none), with mark_uptime (-1: none), names the running
// boot: its boot id, and an uptime that has not fallen below the mark's.
bool marks_running_boot(const running_boot &now, const boot_mark *mark, int64_t mark_uptime);

// Makes the running boot's record in urec_list (update->record, which the
// caller makes u_current).  mark is the boot
// mark read beside the store, or NULL when there is none, and mark_uptime
// the uptime it holds (-1 for none: a mark of an older recorder).
//
// With a boot id, the boot is known by its id: while the mark names it, its
// record is the one stored under the mark's boot time, moved to the kernel's
// boot time when a clock step has moved that; a boot id the mark does not
// name is a new boot, and always gets a record of its own.  So is a boot
// whose uptime is below the mark's (uptime_fell), although the mark names
// its id: the uptime only grows within a boot, so the id is one that could
// not be told apart from the last boot's (the host's boot id, read in a
// container).  A boot time that
// a record of another boot holds already is not taken: the record goes to
// the first free second after it.  Without a boot id (an old kernel, another
// system) a boot is known by its boot time.  Either way the record's uptime
// is raised to the running boot's, never lowered, and a stored record keeps
// its text.  Throws std::bad_alloc when memory is short.
void record_running_boot(const running_boot &now, const boot_mark *mark, boot_update *update,
                         int64_t mark_uptime = -1);

// What a run found of the running boot: what the system tells, the boot
// mark beside the store as it was, and what record_running_boot did.
struct recorded_boot {
	running_boot now = {};                        // its sysinfo is set by record_this_boot
	std::string sysinfo;                          // the running system's text
	bool marked = false;                          // there was a boot mark
	boot_mark old_mark = {};                      // the mark, when marked
	boot_mark_figures old_figures = {-1, -1, -1}; // its figures, -1 where none
	boot_update update;
};

// Reads what the system tells of the running boot and the boot mark beside
// the store that files names: false, with the message in err, when the
// store cannot hold the running boot's times.
bool look_at_running_boot(const store_files &files, recorded_boot *recorded, std::string *err);

// Makes the running boot's record in urec_list, read from the store, as the
// boot mark tells (record_running_boot).  Throws std::bad_alloc when memory
// is short.
void record_this_boot(recorded_boot *recorded);

// Whether the boot mark names a boot that has ended: another boot id, or the
// running one's with a longer uptime than the running boot's.
bool marked_boot_ended(const recorded_boot &recorded);

#endif // CORVANE_RECORD_RUNNING_BOOT_H
