// store_files.cpp - where the records store is, and the names of its files.
#include "store/store_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "writing/folders.h"
#include "writing/replace_file.h"

#ifndef CORVANE_RECORDS_PATH
#error "CORVANE_RECORDS_PATH must name the records store"
#endif

namespace
{

// A copy of text from malloc, for the C caller to free.
char *copy_of(const std::string &text)
{
	char *copy = strdup(text.c_str());
	if (!copy)
		throw std::bad_alloc();
	return copy;
}

} // namespace

// The environment is read on every call: a program that links the library
// names its store there, and the recorder passes a store_files value instead.
extern "C" const char *records_path(void)
{
	const char *path = std::getenv("CORVANE_RECORDS");
	if (!path || !*path)
		path = CORVANE_RECORDS_PATH;
	return path;
}

extern "C" int make_store_files(const char *path, struct store_files *files)
{
	*files = store_files{};
	if (!path || !*path) {
		errno = EINVAL;
		return -1;
	}
	try {
		// The files lie beside the store's real file, whatever path
		// reaches it, so that every path to one store names one lock.
		std::string store;
		if (!corvane::real_file(path, store)) {
			files->resolve_error = errno;
			store = path;
		}
		std::string dir = corvane::folder_of(store);
		std::string name = store.substr(store.find_last_of('/') + 1);
		files->store = copy_of(store);
		files->lock = copy_of(store + ".lock");
		files->boot_mark = copy_of(store + ".boot");
		files->ends = copy_of(store + ".ends");
		files->temp_prefix = copy_of((dir == "/" ? "" : dir) + "/." + name + ".");
		return 0;
	} catch (const std::bad_alloc &) {
		free_store_files(files);
		errno = ENOMEM;
		return -1;
	}
}

extern "C" void free_store_files(struct store_files *files)
{
	int error = errno;
	std::free(files->store);
	std::free(files->lock);
	std::free(files->boot_mark);
	std::free(files->ends);
	std::free(files->temp_prefix);
	*files = store_files{};
	errno = error;
}
