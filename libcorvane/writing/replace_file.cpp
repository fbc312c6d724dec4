// replace_file.cpp - replacing a file whole: the store, and the small files a
// program keeps beside it.
//
// The new content is written to a new file in the file's folder, flushed to
// the disk, given the old file's mode and owner, and renamed over the old
// one; the folder is flushed last so that the rename itself lasts.  At every
// moment the file's name holds either the old content or the new one, whole:
// a crash, a kill or a full disk leaves the old one in place (and at most a
// stray new file, which the writers' lock clears away).
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"
#include "writing/folders.h"
#include "writing/replace_file.h"

namespace corvane
{

namespace
{

// The most links followed in a row, as the kernel allows.
constexpr int max_links = 40;

bool resolve(const std::string &path, std::string &real, int links)
{
	if (char *found = realpath(path.c_str(), nullptr)) {
		real = found;
		std::free(found);
		return true;
	}
	if (errno != ENOENT)
		return false;
	struct stat st;
	if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
		// A link to a file that does not exist yet: the file it names.
		if (links >= max_links) {
			errno = ELOOP;
			return false;
		}
		std::vector<char> target(static_cast<std::size_t>(st.st_size) + PATH_MAX + 1);
		ssize_t n = readlink(path.c_str(), target.data(), target.size() - 1);
		if (n < 0)
			return false;
		std::string to(target.data(), static_cast<std::size_t>(n));
		if (to.empty() || to[0] != '/')
			to = folder_of(path) + "/" + to;
		return resolve(to, real, links + 1);
	}
	std::string dir = folder_of(path);
	std::string name = path.substr(path.find_last_of('/') + 1);
	if (dir == path || name.empty()) {
		errno = ENOENT;
		return false;
	}
	if (!resolve(dir, real, links))
		return false;
	real = (real == "/" ? "" : real) + "/" + name;
	return true;
}

// Gives the new file fd the mode and owner of the old file (old), or 0644
// for a new one, whatever the umask.
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

} // namespace

bool write_all(int fd, const char *data, std::size_t len)
{
	while (len > 0) {
		ssize_t n = write(fd, data, len);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0) {
			if (n == 0)
				errno = ENOSPC;
			return false;
		}
		data += n;
		len -= static_cast<std::size_t>(n);
	}
	return true;
}

bool real_file(const std::string &path, std::string &real)
{
	if (path.empty()) {
		errno = ENOENT;
		return false;
	}
	return resolve(path, real, 0);
}

bool replace_whole(const std::string &given, const std::function<bool(int fd)> &fill)
{
	std::string path;
	if (!real_file(given, path))
		return false;
	std::string dir = folder_of(path);
	if (!make_folders(dir))
		return false;

	struct stat old;
	bool exists = stat(path.c_str(), &old) == 0;
	if (!exists && errno != ENOENT)
		return false;
	// Only a plain file is replaced: never a folder, a device or a fifo.
	if (exists && !S_ISREG(old.st_mode)) {
		errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
		return false;
	}

	std::string base = path.substr(path.find_last_of('/') + 1);
	std::string name = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
	std::vector<char> temp(name.begin(), name.end());
	temp.push_back('\0');
	int fd = mkostemp(temp.data(), O_CLOEXEC);
	if (fd < 0)
		return false;

	bool ok = set_mode_and_owner(fd, exists ? &old : nullptr) && fill(fd) && fsync(fd) == 0;
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

} // namespace corvane

extern "C" int replace_file(const char *path, const void *bytes, size_t size)
{
	if (!path || (!bytes && size > 0)) {
		errno = EINVAL;
		return -1;
	}
	try {
		const char *data = static_cast<const char *>(bytes);
		return corvane::replace_whole(
		           path, [&](int fd) { return corvane::write_all(fd, data, size); })
		           ? 0
		           : -1;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return -1;
	}
}

extern "C" char *real_file_path(const char *path)
{
	try {
		std::string real;
		if (!path) {
			errno = EINVAL;
			return nullptr;
		}
		if (!corvane::real_file(path, real))
			return nullptr;
		char *copy = strdup(real.c_str());
		if (!copy)
			errno = ENOMEM;
		return copy;
	} catch (const std::bad_alloc &) {
		errno = ENOMEM;
		return nullptr;
	}
}
