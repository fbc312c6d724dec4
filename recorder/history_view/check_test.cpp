// check_test.cpp - the doubtful records of small histories, and the signs of
// a container looked for below a root of the test's making.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "recorder/history_view/check.h"
#include "recorder/history_view/test_history.h"

namespace
{

// The rows of a history, all ended, their ends unknown.
std::vector<boot_row> rows_of(const test_history &h)
{
	return boot_rows(h.list(), nullptr, {}, "", {});
}

TEST(check, names_each_kind_of_doubtful_record)
{
	const int64_t t = 1700000000;
	struct {
		const char *name;
		std::initializer_list<std::pair<int64_t, int64_t>> boots;
		std::vector<std::pair<int64_t, std::string>> found;
	} const cases[] = {
	    {"none", {{t, 100}, {t + 200, 100}, {t + 400, 100}}, {}},
	    {"none of one", {{t, 100}}, {}},
	    {"overlap",
	     {{t, 100}, {t + 90, 5}},
	     {{t + 90, "starts 0 days, 00:00:10 before the boot before it ended: they overlap"}}},
	    {"no downtime",
	     {{t, 100}, {t + 100, 5}},
	     {{t + 100, "starts the second the boot before it ended: no downtime at all"}}},
	    {"before 2000",
	     {{946684799, 10}, {946684900, 10}},
	     {{946684799, "is dated before 2000: the clock was not set yet"}}},
	    // Longer than the 100 seconds between its neighbours, so it overlaps
	    // the one after it too.
	    {"longer than the room",
	     {{t, 100}, {t + 150, 200}, {t + 200, 10}},
	     {{t + 200, "starts 0 days, 00:02:30 before the boot before it ended: they overlap"},
	      {t + 150, "lasts 0 days, 00:03:20, longer than the 0 days, 00:01:40 from the end "
	                "of the boot before it to the start of the one after it"}}},
	};
	for (const auto &c : cases) {
		test_history h(c.boots);
		std::vector<finding> found = doubtful_records(rows_of(h));
		std::vector<std::pair<int64_t, std::string>> got;
		for (const finding &f : found)
			got.emplace_back(f.boot_time, f.what);
		std::sort(got.begin(), got.end());
		auto want = c.found;
		std::sort(want.begin(), want.end());
		EXPECT_EQ(got, want) << c.name;
	}
}

// Writes text to the file at path, its folders made.
void put(const std::string &root, const std::string &path, const std::string &text)
{
	for (std::size_t at = 1; (at = path.find('/', at)) != std::string::npos; at++)
		mkdir((root + path.substr(0, at)).c_str(), 0755);
	std::ofstream(root + path, std::ios::binary) << text;
}

TEST(check, finds_the_signs_of_a_container)
{
	using namespace std::string_literals;
	struct {
		const char *name;
		std::vector<std::pair<std::string, std::string>> files;
		std::string sign;
	} const cases[] = {
	    {"nothing", {}, ""},
	    {"a host's environment", {{"/proc/1/environ", "HOME=/\0TERM=linux\0"s}}, ""},
	    {"systemd's note", {{"/run/systemd/container", "docker\n"}}, "/run/systemd/container"},
	    {"container= first",
	     {{"/proc/1/environ", "container=lxc\0HOME=/\0"s}},
	     "container= in /proc/1/environ"},
	    {"container= later",
	     {{"/proc/1/environ", "HOME=/\0container=podman\0"s}},
	     "container= in /proc/1/environ"},
	    {"not a word's end", {{"/proc/1/environ", "MYcontainer=x\0"s}}, ""},
	    {"docker's file", {{"/.dockerenv", ""}}, "/.dockerenv"},
	    {"the first found",
	     {{"/.dockerenv", ""}, {"/run/systemd/container", "docker\n"}},
	     "/run/systemd/container"},
	};
	for (const auto &c : cases) {
		const char *tmp = std::getenv("TMPDIR");
		std::string templ =
		    std::string(tmp && *tmp ? tmp : "/tmp") + "/container-root.XXXXXX";
		ASSERT_NE(mkdtemp(templ.data()), nullptr);
		for (const auto &[path, text] : c.files)
			put(templ, path, text);
		EXPECT_EQ(container_sign(templ), c.sign) << c.name;
		std::string rm = "rm -rf '" + templ + "'";
		ASSERT_EQ(std::system(rm.c_str()), 0);
	}
}

} // namespace
