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

// Saves the ends when they changed, then the boot mark when it changed,
// then the store: a run stopped between two of them leaves what the next
// run mends, never a running boot taken for a new one.
bool save_store(const store_names &store, const recorded_boot &recorded, const boot_ends &ends,
                bool ends_changed, std::string *err);

#endif // CORVANE_RECORD_KEEP_STORE_H
