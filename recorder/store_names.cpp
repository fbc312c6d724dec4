// store_names.cpp - the files of the store that a run keeps, and the reasons
// of their failures.
#include "recorder/store_names.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "recorder/plain_file.h"

store_names name_store(const char *named)
{
	store_names store;
	store.named = named ? named : records_path();
	store.named_ends = store.named + ".ends";
	store.named_mark = store.named + ".boot";
	if (make_store_files(store.named.c_str(), &store.files) != 0)
		throw std::bad_alloc(); // ENOMEM: the options refuse an empty name
	return store;
}

void forget_store_names(store_names *store)
{
	free_store_files(&store->files);
}

std::string store_reason(int error)
{
	std::string text = std::strerror(error);
	if (error == EACCES)
		text += " (run as root, or use -f FILE)";
	return text;
}

std::string store_read_reason(int error)
{
	return error == EINVAL ? plain_file_reason(error) : store_reason(error);
}
