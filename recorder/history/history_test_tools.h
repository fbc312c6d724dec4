// history_test_tools.h - running the history sources' own tools from a
// test: a tool that the machine lacks skips the test, and fails it under CI.
#ifndef CORVANE_RECORD_HISTORY_TEST_TOOLS_H
#define CORVANE_RECORD_HISTORY_TEST_TOOLS_H

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "recorder/history/past_boot.h"

namespace history_test
{

// The first of the paths that names a program that can be run, or "".
inline std::string find_tool(std::initializer_list<const char *> paths)
{
	for (const char *path : paths)
		if (access(path, X_OK) == 0)
			return path;
	return "";
}

// Runs the shell command with input on its standard input; its standard
// output, or "" with a failure of the test when it fails.
inline std::string run(const std::string &command, const std::string &input = "")
{
	std::string script = "/tmp/corvane-tool-input-" + std::to_string(getpid());
	std::FILE *f = std::fopen(script.c_str(), "wb");
	EXPECT_NE(f, nullptr);
	if (!f)
		return "";
	std::fwrite(input.data(), 1, input.size(), f);
	std::fclose(f);
	std::FILE *p = popen((command + " < " + script).c_str(), "r");
	std::string output;
	std::array<char, 4096> buffer;
	std::size_t n;
	while (p && (n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0)
		output.append(buffer.data(), n);
	int status = p ? pclose(p) : -1;
	std::remove(script.c_str());
	EXPECT_EQ(status, 0) << command;
	return output;
}

} // namespace history_test

// A boot whose release was cut (see cut_release).
inline past_boot release_cut(past_boot boot)
{
	boot.release_cut = true;
	return boot;
}

// Beside past_boot, where the comparisons of the standard library find them.
inline bool operator==(const past_boot &a, const past_boot &b)
{
	return a.boot_time == b.boot_time && a.uptime == b.uptime && a.bounded == b.bounded &&
	       a.release == b.release && a.boot_id == b.boot_id && a.end == b.end &&
	       a.release_cut == b.release_cut;
}

inline std::ostream &operator<<(std::ostream &os, const past_boot &b)
{
	const char *ends[] = {"unknown", "clean", "unclean"};
	return os << "{" << b.boot_time << ", " << b.uptime << ", " << b.bounded << ", \""
	          << b.release << "\", \"" << b.boot_id << "\", " << ends[static_cast<int>(b.end)]
	          << (b.release_cut ? ", cut" : "") << "}";
}

// Skips the test when the tool is missing, except under CI, where it fails.
#define REQUIRE_TOOL(path, package)                                                                \
	do {                                                                                       \
		if ((path).empty()) {                                                              \
			if (std::getenv("CI"))                                                     \
				FAIL() << "the package " package " is not installed";              \
			GTEST_SKIP() << "the package " package " is not installed";                \
		}                                                                                  \
	} while (0)

#endif // CORVANE_RECORD_HISTORY_TEST_TOOLS_H
