// store_files.h - the files of the store that a run keeps: the store as
// messages name it and the files beside its real file, and the reasons that
// messages give when a call on one of them fails.
#ifndef CORVANE_RECORD_STORE_FILES_H
#define CORVANE_RECORD_STORE_FILES_H

#include <string>

struct store_files {
	std::string named;      // the store as given (or the library's): messages name it
	std::string lock;       // the writers' lock, beside the real file
	std::string ends;       // the ends file, beside the real file
	std::string named_ends; // the ends file, as messages name it
	std::string named_mark; // the boot mark, as messages name it
};

// Makes the library keep the store named (null: its own store), through the
// real file that the name reaches, so that every path to one store takes one
// lock; its files.
store_files use_store(const char *named);

// The files of the store named, whose real file is real (named itself
// where it cannot be resolved).
store_files store_files_of(const std::string &named, const std::string &real);

// The reason of a message for a call on the store or a file beside it that
// failed with error: a permission that is missing names the two ways past
// it.
std::string store_reason(int error);

// The reason a store or a file beside it that cannot be read is refused:
// the reader refuses a file that is not a plain file with EINVAL.
std::string store_read_reason(int error);

#endif // CORVANE_RECORD_STORE_FILES_H
