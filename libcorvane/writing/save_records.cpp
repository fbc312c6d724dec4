// save_records.cpp - replacing the records store whole, with the text that
// write_records makes (see replace_file.cpp for how a file is replaced).
#include <cerrno>
#include <new>

#include "corvane_store.h"
#include "writing/replace_file.h"

extern "C" int save_records(void)
{
	try {
		return corvane::replace_whole(records_path(),
		                              [](int fd) { return write_records(fd) == 0; })
		           ? 0
		           : -1;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}
