// folders.cpp - the folder of the store, made when missing.
#include "writing/folders.h"

#include <cerrno>

#include <sys/stat.h>

namespace corvane
{

std::string folder_of(const std::string &path)
{
	std::string::size_type slash = path.find_last_of('/');
	if (slash == std::string::npos)
		return ".";
	// Slashes doubled before the name belong to the folder's name too.
	std::string::size_type end = path.find_last_not_of('/', slash);
	if (end == std::string::npos)
		return "/";
	return path.substr(0, end + 1);
}

bool make_folders(const std::string &dir)
{
	struct stat st;
	if (stat(dir.c_str(), &st) == 0) {
		if (S_ISDIR(st.st_mode))
			return true;
		errno = ENOTDIR;
		return false;
	}
	if (errno != ENOENT)
		return false;
	std::string parent = folder_of(dir);
	if (parent != dir && !make_folders(parent))
		return false;
	if (mkdir(dir.c_str(), 0755) != 0)
		return errno == EEXIST; // another writer made it first
	// The umask may have taken bits away.
	return chmod(dir.c_str(), 0755) == 0;
}

} // namespace corvane
