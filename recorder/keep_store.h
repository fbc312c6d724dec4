// keep_store.h - the store's part of a run: refused when it is not a plain
// file, locked, read, and written back with the files beside it.
#ifndef CORVANE_RECORD_KEEP_STORE_H
#define CORVANE_RECORD_KEEP_STORE_H

#include <string>

#include "recorder/boot_state/boot_ends.h"
#include "recorder/running_boot.h"
#include "recorder/store_names.h"

// Each call gives false, with the message that names the file in err, when
// it cannot do its part.

// Refuses a store that exists and is not a plain file, before the run locks
// it (the read refuses it too, but only once the lock is taken).
bool check_plain_store(const store_names &store, std::string *err);

// Takes the writers' lock into lock, waiting wait seconds at most for
// another run to let go of it.
bool lock_store(const store_names &store, unsigned int wait, int *lock, std::string *err);

// Reads every boot of the store into urec_list (a missing store holds none).
// Throws std::bad_alloc when memory is short.
bool read_store(const store_names &store, std::string *err);

// Prints the new store on standard output (the dry run).
bool print_store(const store_names &store, std::string *err);

// Whether the run must rewrite the store, rather than the boot mark alone:
// unless the mark names the running boot, under its kernel boot time, with
// the uptime the store holds for it less than store_lag behind, and the run
// neither ends the boot (shutdown) nor imports.
bool store_is_due(const recorded_boot &recorded, bool shutdown, bool importing);

// The most that the store's uptime of the running boot lags behind the boot
// mark's: once an hour the store is rewritten, so that a store copied alone
// is never more than that behind.
constexpr int64_t store_lag = 3600;

// Saves the boot mark alone, with the running boot's uptime: the run of a
// boot that the store holds, when the store is not due.
bool save_mark_only(const store_names &store, const recorded_boot &recorded, std::string *err);

// Before the running boot's record is made: when the boot mark names a boot
// that has ended, with a newer uptime than the store holds for it, saves the
// store with that uptime, so that the ended boot keeps it once the mark
// names the running boot.
bool save_ended_boot(const store_names &store, const recorded_boot &recorded, std::string *err);

// Saves the ends when they changed, the store and the boot mark, in the
// order that leaves, when the run is stopped between two of them, what the
// next run mends, never a running boot taken for a new one: a new boot's
// mark before the store (the store then holds the boot once the mark names
// it), else the store before the mark (a moved record is found at the
// kernel's boot time); the mark then says that the store holds the uptime.
bool save_store(const store_names &store, const recorded_boot &recorded, const boot_ends &ends,
                bool ends_changed, std::string *err);

#endif // CORVANE_RECORD_KEEP_STORE_H
