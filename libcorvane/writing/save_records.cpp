// save_records.cpp - replacing the records store whole, with the text that
// write_records makes (see replace_file.cpp for how a file is replaced).
#include <cerrno>
#include <new>

#include "corvane_store.h"
#include "store/store_files.h"
#include "writing/replace_file.h"

extern "C" int save_records_in(const struct store_files *files)
{
	try {
		return corvane::replace_whole(
		           files->store,
		           [files](int fd) { return write_records_in(files, fd) == 0; })
		           ? 0
		           : -1;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}

extern "C" int save_records(void)
{
	return corvane::in_records_path(-1, save_records_in);
}
