// boot_history_test.cpp - the boots read from a login accounting file that
// the test writes itself.
#include <cerrno>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "recorder/boot_history.h"
#include "recorder/wtmp_writer.h"
#include "test_support.h"

// Beside past_boot, where the comparisons of the standard library find them.
static bool operator==(const past_boot &a, const past_boot &b)
{
	return a.boot_time == b.boot_time && a.uptime == b.uptime && a.bounded == b.bounded &&
	       a.release == b.release;
}

static std::ostream &operator<<(std::ostream &os, const past_boot &b)
{
	return os << "{" << b.boot_time << ", " << b.uptime << ", " << b.bounded << ", \""
	          << b.release << "\"}";
}

namespace
{

// A record to write: its kind, its time, its text.
struct entry {
	wtmp_kind kind;
	int64_t when;
	std::string text;
};

struct boot_history_test : ::testing::Test {
	corvane_test::temp_dir dir;
	std::string wtmp = dir.path + "/wtmp";

	std::vector<past_boot> read(const std::vector<entry> &entries)
	{
		corvane_test::write_file(wtmp, "");
		for (const entry &e : entries)
			append_wtmp(wtmp, e.kind, e.when, e.text);
		std::vector<past_boot> boots;
		int error = 0;
		EXPECT_EQ(read_boot_history(wtmp.c_str(), boots, error),
		          entries.empty() ? history_status::empty : history_status::read);
		return boots;
	}
};

constexpr auto boot = wtmp_kind::boot;
constexpr auto shutdown = wtmp_kind::shutdown;
constexpr auto runlevel = wtmp_kind::runlevel;
constexpr auto login = wtmp_kind::login;

TEST_F(boot_history_test, bounds_each_boot_by_the_next_boot_or_shutdown)
{
	struct {
		const char *name;
		std::vector<entry> entries;
		std::vector<past_boot> expected;
	} const cases[] = {
	    {"boots with shutdowns",
	     {{boot, 1000, "6.1.0-28-amd64"},
	      {runlevel, 1010, ""},
	      {login, 1100, "alice"},
	      {shutdown, 4000, ""},
	      {boot, 5000, "6.1.0-29-amd64"},
	      {shutdown, 9000, ""}},
	     {{1000, 3000, true, "6.1.0-28-amd64"}, {5000, 4000, true, "6.1.0-29-amd64"}}},
	    {"a crash: a boot ended by the next boot",
	     {{boot, 1000, "a"}, {login, 1500, "bob"}, {boot, 2000, "b"}, {shutdown, 2500, ""}},
	     {{1000, 1000, true, "a"}, {2000, 500, true, "b"}}},
	    {"a boot without a record after it",
	     {{boot, 1000, "a"}, {shutdown, 1200, ""}, {boot, 3000, "b"}, {login, 3100, "carol"}},
	     {{1000, 200, true, "a"}, {3000, 0, false, "b"}}},
	    {"a shutdown dated before its boot (the clock set back)",
	     {{boot, 5000, "a"}, {shutdown, 4000, ""}, {boot, 6000, "b"}, {shutdown, 6000, ""}},
	     {{5000, 0, false, "a"}, {6000, 0, true, "b"}}},
	    {"shutdowns without a boot before them",
	     {{shutdown, 500, ""}, {boot, 1000, ""}, {shutdown, 1300, ""}, {shutdown, 1900, ""}},
	     {{1000, 300, true, ""}}},
	    {"logins only", {{login, 1000, "dave"}, {runlevel, 1001, ""}}, {}},
	    {"a release that fills its field",
	     {{boot, 1000, std::string(400, 'r')}, {shutdown, 2000, ""}},
	     {{1000, 1000, true, std::string(sizeof(utmpx::ut_host), 'r')}}},
	    {"a boot before the epoch",
	     {{boot, -100, "a"}, {shutdown, 50, ""}},
	     {{-100, 150, true, "a"}}},
	};
	for (const auto &c : cases)
		EXPECT_EQ(read(c.entries), c.expected) << c.name;
}

TEST_F(boot_history_test, tells_a_missing_an_empty_and_an_unreadable_file)
{
	std::vector<past_boot> boots;
	int error = 0;
	EXPECT_EQ(read_boot_history(wtmp.c_str(), boots, error), history_status::missing);
	EXPECT_EQ(error, ENOENT);

	corvane_test::write_file(wtmp, "");
	EXPECT_EQ(read_boot_history(wtmp.c_str(), boots, error), history_status::empty);

	EXPECT_EQ(read_boot_history(dir.path.c_str(), boots, error), history_status::unreadable);
	EXPECT_EQ(error, EISDIR);

	std::string fifo = dir.path + "/fifo";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
	EXPECT_EQ(read_boot_history(fifo.c_str(), boots, error), history_status::unreadable);
	EXPECT_EQ(error, EINVAL);
	EXPECT_TRUE(boots.empty());
}

TEST_F(boot_history_test, reads_any_bytes_without_harm)
{
	// Random bytes, and a record cut short at the end of the file.
	std::string bytes(sizeof(utmpx) * 50 + 17, '\0');
	unsigned v = 1;
	for (char &c : bytes) {
		v = v * 1103515245 + 12345;
		c = static_cast<char>(v >> 16);
	}
	corvane_test::write_file(wtmp, bytes);
	std::vector<past_boot> boots;
	int error = 0;
	EXPECT_EQ(read_boot_history(wtmp.c_str(), boots, error), history_status::read);
	for (const past_boot &b : boots)
		EXPECT_GE(b.uptime, 0);
}

} // namespace
