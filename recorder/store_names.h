// store_names.h - the files of the store that a run keeps: the library's
// names of the store's real file and of the files beside it, made once, the
// names that messages give, and the reasons that messages give when a call
// on one of them fails.
#ifndef CORVANE_RECORD_STORE_NAMES_H
#define CORVANE_RECORD_STORE_NAMES_H

#include <string>

#include "corvane_store.h"

struct store_names {
	std::string named;      // the store as given (or the library's): messages name it
	std::string named_ends; // the ends file, as messages name it
	std::string named_mark; // the boot mark, as messages name it
	store_files files;      // the real files, which the run reads, locks and writes
};

// The files of the store named (null: the library's own store), through the
// real file that the name reaches, so that every path to one store takes one
// lock.  Throws std::bad_alloc when memory is short.
store_names name_store(const char *named);

// Lets go of the names that name_store made.
void forget_store_names(store_names *store);

// The reason of a message for a call on the store or a file beside it that
// failed with error: a permission that is missing names the two ways past
// it.
std::string store_reason(int error);

// The reason a store or a file beside it that cannot be read is refused:
// the reader refuses a file that is not a plain file with EINVAL.
std::string store_read_reason(int error);

#endif // CORVANE_RECORD_STORE_NAMES_H
