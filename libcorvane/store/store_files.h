// store_files.h - the files of the store that records_path names, for the
// calls that take no store_files of their own.
#ifndef CORVANE_STORE_FILES_H
#define CORVANE_STORE_FILES_H

#include "corvane_store.h"

namespace corvane
{

// What call(files) returns for the files of the store that records_path()
// names now, with its errno; failed, with errno set, when they cannot be
// named (out of memory).
template <typename Result, typename Call> Result in_records_path(Result failed, Call call)
{
	store_files files;
	if (make_store_files(records_path(), &files) != 0)
		return failed;
	Result result = call(&files);
	free_store_files(&files);
	return result;
}

} // namespace corvane

#endif // CORVANE_STORE_FILES_H
