// wtmp_history_test.cpp - the boots read from a login accounting file that
// the test writes itself.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "recorder/history/history_test_tools.h"
#include "recorder/history/wtmp_history.h"
#include "recorder/history/wtmp_writer.h"
#include "test_support.h"

namespace
{

// A record to write: its kind, its time, its text.
struct entry {
	wtmp_kind kind;
	int64_t when;
	std::string text;
};

struct wtmp_history_test : ::testing::Test {
	corvane_test::temp_dir dir;
	std::string wtmp = dir.path + "/wtmp";

	std::vector<past_boot> read(const std::vector<entry> &entries)
	{
		corvane_test::write_file(wtmp, "");
		for (const entry &e : entries)
			append_wtmp(wtmp, e.kind, e.when, e.text);
		std::vector<past_boot> boots;
		std::string err;
		EXPECT_EQ(read_wtmp_history(wtmp.c_str(), boots, &err),
		          entries.empty() ? history_status::empty : history_status::read);
		return boots;
	}
};

constexpr auto boot = wtmp_kind::boot;
constexpr auto shutdown = wtmp_kind::shutdown;
constexpr auto runlevel = wtmp_kind::runlevel;
constexpr auto login = wtmp_kind::login;

// A boot as the reader hands it.
past_boot ended(int64_t boot_time, int64_t uptime, bool bounded, const std::string &release,
                boot_end end, bool cut = false)
{
	past_boot b = {boot_time, uptime, bounded, release};
	b.end = end;
	b.release_cut = cut;
	return b;
}

constexpr auto clean = boot_end::clean;
constexpr auto unclean = boot_end::unclean;
constexpr auto unknown = boot_end::unknown;

TEST_F(wtmp_history_test, bounds_each_boot_by_its_shutdown_or_its_last_record)
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
	     {ended(1000, 3000, true, "6.1.0-28-amd64", clean),
	      ended(5000, 4000, true, "6.1.0-29-amd64", clean)}},
	    {"a crash: bounded by the last record of the boot, not by the next boot",
	     {{boot, 1000, "a"}, {login, 1500, "bob"}, {boot, 2000, "b"}, {shutdown, 2500, ""}},
	     {ended(1000, 500, true, "a", unclean), ended(2000, 500, true, "b", clean)}},
	    {"a crash with no record after its boot record cannot be bounded",
	     {{boot, 1000, "a"}, {boot, 2000, "b"}, {shutdown, 2500, ""}},
	     {ended(1000, 0, false, "a", unclean), ended(2000, 500, true, "b", clean)}},
	    {"a boot without a record after it: the running one, or its end unknown",
	     {{boot, 1000, "a"}, {shutdown, 1200, ""}, {boot, 3000, "b"}, {login, 3100, "carol"}},
	     {ended(1000, 200, true, "a", clean), ended(3000, 0, false, "b", unknown)}},
	    {"a shutdown dated before its boot (the clock set back)",
	     {{boot, 5000, "a"}, {shutdown, 4000, ""}, {boot, 6000, "b"}, {shutdown, 6000, ""}},
	     {ended(5000, 0, false, "a", clean), ended(6000, 0, true, "b", clean)}},
	    {"a boot dated before the records earlier in the file (a clock not yet set)",
	     {{boot, 1700000000, "a"},
	      {shutdown, 1700003600, ""},
	      {boot, 946684800, "b"}, // 2000-01-01
	      {login, 1700010000, "eve"},
	      {shutdown, 1700020000, ""},
	      {boot, 1700030000, "c"},
	      {shutdown, 1700030500, ""}},
	     {ended(1700000000, 3600, true, "a", clean), ended(946684800, 0, false, "b", clean),
	      ended(1700030000, 500, true, "c", clean)}},
	    {"a boot dated a little before the last shutdown (a clock corrected) still counts",
	     {{boot, 1000, "a"}, {shutdown, 2000, ""}, {boot, 1950, "b"}, {shutdown, 2950, ""}},
	     {ended(1000, 1000, true, "a", clean), ended(1950, 1000, true, "b", clean)}},
	    {"shutdowns without a boot before them",
	     {{shutdown, 500, ""}, {boot, 1000, ""}, {shutdown, 1300, ""}, {shutdown, 1900, ""}},
	     {ended(1000, 300, true, "", clean)}},
	    {"logins only", {{login, 1000, "dave"}, {runlevel, 1001, ""}}, {}},
	    {"a release that fills its field",
	     {{boot, 1000, std::string(400, 'r')}, {shutdown, 2000, ""}},
	     {ended(1000, 1000, true, std::string(sizeof(utmpx::ut_host), 'r'), clean)}},
	    {"a release cut at a line end or a carriage return",
	     {{boot, 1000, "6.1\nx"},
	      {shutdown, 2000, ""},
	      {boot, 3000, "6.2\r"},
	      {shutdown, 4000, ""}},
	     {ended(1000, 1000, true, "6.1", clean, true),
	      ended(3000, 1000, true, "6.2", clean, true)}},
	    {"a boot before the epoch",
	     {{boot, -100, "a"}, {shutdown, 50, ""}},
	     {ended(-100, 150, true, "a", clean)}},
	};
	for (const auto &c : cases)
		EXPECT_EQ(read(c.entries), c.expected) << c.name;
}

// The release rule of every source (cut_release): cut at a control
// character, a blank or a byte of a non-ASCII letter, and counted.
TEST_F(wtmp_history_test, cuts_a_release_at_what_a_release_cannot_hold)
{
	struct {
		std::string host;
		std::string release;
		bool cut;
	} const cases[] = {
	    {"6.1.0-28-amd64", "6.1.0-28-amd64", false},
	    {"", "", false},
	    {"6.1.0-28-amd64\x1b[0m #1", "6.1.0-28-amd64", true},
	    {"\x1b[31mevil", "", true},
	    {"6.1.0 28", "6.1.0", true},
	    {"6.1.0-t\xc3\xa9st", "6.1.0-t", true},
	    {"6.1.0\x7f", "6.1.0", true},
	    {"6.1.0\t", "6.1.0", true},
	    {"~!@#$%^&*()_+{}|:<>?", "~!@#$%^&*()_+{}|:<>?", false},
	};
	for (const auto &c : cases) {
		std::vector<past_boot> boots = read({{boot, 1000, c.host}, {shutdown, 2000, ""}});
		ASSERT_EQ(boots.size(), 1u) << c.host;
		EXPECT_EQ(boots[0].release, c.release) << c.host;
		EXPECT_EQ(boots[0].release_cut, c.cut) << c.host;
	}
}

TEST_F(wtmp_history_test, tells_a_missing_an_empty_and_an_unreadable_file)
{
	std::vector<past_boot> boots;
	std::string err;
	EXPECT_EQ(read_wtmp_history(wtmp.c_str(), boots, &err), history_status::missing);
	EXPECT_EQ(err, "");

	corvane_test::write_file(wtmp, "");
	EXPECT_EQ(read_wtmp_history(wtmp.c_str(), boots, &err), history_status::empty);

	EXPECT_EQ(read_wtmp_history(dir.path.c_str(), boots, &err), history_status::unreadable);
	EXPECT_EQ(err, "cannot read " + dir.path + ": " + std::strerror(EISDIR));

	std::string fifo = dir.path + "/fifo";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
	EXPECT_EQ(read_wtmp_history(fifo.c_str(), boots, &err), history_status::unreadable);
	EXPECT_EQ(err, "cannot read " + fifo + ": Not a plain file");
	EXPECT_TRUE(boots.empty());
}

TEST_F(wtmp_history_test, reads_any_bytes_without_harm)
{
	// Random bytes, and a record cut short at the end of the file, after a
	// boot record; random bytes alone, a text file and a piece of a record
	// are no login accounting file.
	std::string bytes(sizeof(utmpx) * 50 + 17, '\0');
	unsigned v = 1;
	for (char &c : bytes) {
		v = v * 1103515245 + 12345;
		c = static_cast<char>(v >> 16);
	}
	append_wtmp(wtmp, boot, 1700000000, "6.1.0-test");
	{
		std::FILE *f = std::fopen(wtmp.c_str(), "ab");
		ASSERT_NE(f, nullptr);
		ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
		ASSERT_EQ(std::fclose(f), 0);
	}
	std::vector<past_boot> boots;
	std::string err;
	EXPECT_EQ(read_wtmp_history(wtmp.c_str(), boots, &err), history_status::read);
	ASSERT_FALSE(boots.empty());
	EXPECT_EQ(boots.front().boot_time, 1700000000);
	for (const past_boot &b : boots)
		EXPECT_GE(b.uptime, 0);

	std::string text = "root:x:0:0:root:/root:/bin/bash\n";
	while (text.size() < sizeof(utmpx) * 3)
		text += text;
	for (const std::string &other : {bytes, text, std::string(sizeof(utmpx) - 1, '\0')}) {
		corvane_test::write_file(wtmp, other);
		boots.clear();
		err.clear();
		EXPECT_EQ(read_wtmp_history(wtmp.c_str(), boots, &err), history_status::unreadable)
		    << other.size() << " bytes";
		EXPECT_EQ(err, "cannot read " + wtmp + ": not a login accounting file");
		EXPECT_TRUE(boots.empty());
	}
}

} // namespace
