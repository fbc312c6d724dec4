// fuzz_support.cpp - the scratch folder and the check of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane_store.h"

namespace fuzz
{

namespace
{

void remove_scratch_dir()
{
	std::error_code ignored;
	std::filesystem::remove_all(scratch_dir(), ignored);
}

} // namespace

const std::string &scratch_dir()
{
	// The folder, made once.
	static const std::string path = [] {
		const char *base = std::getenv("TMPDIR");
		std::string pattern =
		    std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
		    "/vellipo-fuzz-XXXXXX";
		std::vector<char> name(pattern.begin(), pattern.end());
		name.push_back('\0');
		if (mkdtemp(name.data()) == nullptr) {
			std::perror("vellipo fuzz: mkdtemp");
			std::abort();
		}
		return std::string(name.data());
	}();
	// Registered after path is made, so that it runs before path goes.
	static const bool removed_at_exit = std::atexit(remove_scratch_dir) == 0;
	(void)removed_at_exit;
	return path;
}

void enter_scratch_dir()
{
	// Entered once.
	static const bool entered = chdir(scratch_dir().c_str()) == 0;
	check(entered, "cannot enter the scratch folder");
}

void put_file(const std::string &path, const uint8_t *data, std::size_t size)
{
	for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
	     slash = path.find('/', slash + 1))
		mkdir(path.substr(0, slash).c_str(), 0755);
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	check(fd >= 0, "cannot make a scratch file");
	std::size_t done = 0;
	while (done < size) {
		ssize_t put = write(fd, data + done, size - done);
		check(put > 0, "cannot write a scratch file");
		done += static_cast<std::size_t>(put);
	}
	check(close(fd) == 0, "cannot close a scratch file");
}

int write_store(const std::string &path)
{
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	check(fd >= 0, "cannot make the written store");
	int result = write_records(fd);
	close(fd);
	return result;
}

void check(bool holds, const char *what)
{
	if (holds)
		return;
	std::fprintf(stderr, "vellipo fuzz: %s\n", what);
	std::abort();
}

} // namespace fuzz
