// store_files.cpp - the files of the store that a run keeps, and the reasons
// of their failures.
#include "recorder/store_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "corvane_store.h"
#include "recorder/plain_file.h"

store_files use_store(const char *named)
{
	if (named)
		setenv("CORVANE_RECORDS", named, 1);
	std::string given = records_path();
	std::string real = given;
	if (char *resolved = real_file_path(given.c_str())) {
		real = resolved;
		std::free(resolved);
		setenv("CORVANE_RECORDS", real.c_str(), 1);
	}
	return store_files_of(given, real);
}

store_files store_files_of(const std::string &named, const std::string &real)
{
	return {named, real + ".lock", real + ".ends", named + ".ends", named + ".boot"};
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
