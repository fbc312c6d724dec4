// fuzz_support.cpp - the scratch folder and the check of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "corvane.h"

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

std::vector<input_line> lines_of(const uint8_t *data, std::size_t size)
{
	std::vector<input_line> lines;
	std::string text(reinterpret_cast<const char *>(data), size);
	std::size_t start = 0;
	while (start < text.size()) {
		std::size_t end = text.find('\n', start);
		if (end == std::string::npos)
			end = text.size();
		input_line line = {{}, text.substr(start, end - start)};
		start = end + 1;
		std::size_t at = 0;
		while (at < line.text.size()) {
			std::size_t blank = line.text.find(' ', at);
			if (blank == std::string::npos)
				blank = line.text.size();
			if (blank > at)
				line.words.push_back(line.text.substr(at, blank - at));
			at = blank + 1;
		}
		lines.push_back(std::move(line));
	}
	return lines;
}

std::string rest_of(const input_line &line, std::size_t n)
{
	std::size_t at = 0;
	for (std::size_t i = 0; i < n; i++) {
		while (at < line.text.size() && line.text[at] == ' ')
			at++;
		std::size_t blank = line.text.find(' ', at);
		if (blank == std::string::npos)
			return "";
		at = blank + 1;
	}
	return line.text.substr(at);
}

int64_t number_of(const std::vector<std::string> &words, std::size_t i)
{
	if (i >= words.size())
		return 0;
	const std::string &word = words[i];
	std::size_t at = word.size() > 1 && (word[0] == '-' || word[0] == '+') ? 1 : 0;
	bool negative = word[0] == '-';
	if (at == word.size())
		return 0;
	int64_t value = 0;
	for (; at < word.size(); at++) {
		char c = word[at];
		if (c < '0' || c > '9')
			return 0;
		int digit = c - '0';
		if (negative ? value < (INT64_MIN + digit) / 10 : value > (INT64_MAX - digit) / 10)
			return negative ? INT64_MIN : INT64_MAX;
		value = value * 10 + (negative ? -digit : digit);
	}
	return value;
}

void check(bool holds, const char *what)
{
	if (holds)
		return;
	std::fprintf(stderr, "vellipo fuzz: %s\n", what);
	std::abort();
}

} // namespace fuzz
