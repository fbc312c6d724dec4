// save_records.cpp - replacing the records store whole.
//
// The new store is written to a new file in the store's folder, flushed to
// the disk, given the old store's mode and owner, and renamed over the old
// one; the folder is flushed last so that the rename itself lasts.  At every
// moment the store's name holds either the old store or the new one, whole:
// a crash, a kill or a full disk leaves the old one in place.
#include <cerrno>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane.h"
#include "folders.h"

namespace
{

// The file to replace: the store's path, or the file it links to.  false,
// with errno set, when a link cannot be followed.
bool file_to_replace(std::string &path)
{
	path = records_path();
	struct stat st;
	if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
		return true;
	char *target = realpath(path.c_str(), nullptr);
	if (!target)
		return false;
	path = target;
	std::free(target);
	return true;
}

// Gives the new file fd the mode and owner of the old store (st), or 0644
// for a first store, whatever the umask.
bool set_mode_and_owner(int fd, const struct stat *old)
{
	if (old) {
		struct stat now;
		if (fstat(fd, &now) != 0)
			return false;
		if ((now.st_uid != old->st_uid || now.st_gid != old->st_gid) &&
		    fchown(fd, old->st_uid, old->st_gid) != 0)
			return false;
	}
	// After fchown, which may clear the set-id bits.
	return fchmod(fd, old ? old->st_mode & 07777 : 0644) == 0;
}

// Flushes a folder's entries to the disk.  A file system that cannot flush a
// folder (EINVAL) keeps its entries its own way.
bool flush_folder(const std::string &dir)
{
	int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (fd < 0)
		return false;
	bool ok = fsync(fd) == 0 || errno == EINVAL;
	int error = errno;
	close(fd);
	errno = error;
	return ok;
}

bool save(void)
{
	std::string path;
	if (!file_to_replace(path))
		return false;
	std::string dir = corvane::folder_of(path);
	if (corvane::make_folders(dir) != 0)
		return false;

	struct stat old;
	bool exists = stat(path.c_str(), &old) == 0;
	if (!exists && errno != ENOENT)
		return false;

	std::string base = path.substr(path.find_last_of('/') + 1);
	std::string name = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
	std::vector<char> temp(name.begin(), name.end());
	temp.push_back('\0');
	int fd = mkostemp(temp.data(), O_CLOEXEC);
	if (fd < 0)
		return false;

	bool ok = set_mode_and_owner(fd, exists ? &old : nullptr) && write_records(fd) == 0 &&
	          fsync(fd) == 0;
	int error = errno;
	// close reports what a delayed write could not store.
	if (close(fd) != 0 && ok) {
		ok = false;
		error = errno;
	}
	if (ok && rename(temp.data(), path.c_str()) != 0) {
		ok = false;
		error = errno;
	}
	if (!ok) {
		unlink(temp.data());
		errno = error;
		return false;
	}
	return flush_folder(dir);
}

} // namespace

extern "C" int save_records(void)
{
	try {
		return save() ? 0 : -1;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}
