// store_test.cpp - reading the records store, hostile content included.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::list_records;
using corvane_test::write_file;

// What a test looks at in a record.
struct seen {
	int64_t uptime;
	int64_t boot_time;
	std::string sysinfo;
	int64_t downtime;

	bool operator==(const seen &) const = default;
};

std::ostream &operator<<(std::ostream &os, const seen &s)
{
	return os << "{" << s.uptime << ", " << s.boot_time << ", \"" << s.sysinfo << "\", "
	          << s.downtime << "}";
}

std::vector<seen> list_seen()
{
	std::vector<seen> out;
	for (urec *r : list_records())
		out.push_back(
		    {r->uptime, static_cast<int64_t>(r->boot_time), r->sysinfo, r->downtime});
	return out;
}

// A boot time no store line of these tests uses.
constexpr time_t no_current = 1;

// Each case has its own store in its own folder, named by CORVANE_RECORDS.
struct store_test : corvane_test::store_fixture {
	std::vector<seen> read(const std::string &content, time_t current = no_current)
	{
		write_file(store, content);
		read_records(current);
		return list_seen();
	}
};

const std::string good1 = "3600:1000000000:Linux 6.1.0-28-amd64\n";
const std::string good2 = "7200:1000100000:Linux 6.1.0-29-amd64\n";
const std::vector<seen> good_seen = {
    {3600, 1000000000, "Linux 6.1.0-28-amd64", 0},
    {7200, 1000100000, "Linux 6.1.0-29-amd64", 100000 - 3600},
};

TEST_F(store_test, skips_each_unreadable_line_and_reads_the_rest)
{
	struct {
		const char *name;
		std::string line; // without its line end
	} const cases[] = {
	    {"comment", "# 5:1000:looks like a record"},
	    {"blank", ""},
	    {"blanks", " \t "},
	    {"no colon", "3600"},
	    {"no second colon", "3600:1000000500"},
	    {"empty uptime", ":1000000500:x"},
	    {"empty boot time", "3600::x"},
	    {"garbage", "hello, world"},
	    {"NUL in the system text", std::string("5:1000000500:Li") + '\0' + "nux"},
	    {"NUL in a number", std::string("5:10000") + '\0' + "0500:x"},
	    {"NUL alone", std::string(1, '\0')},
	    {"plus sign", "+5:1000000500:x"},
	    {"minus sign", "5:-1000000500:x"},
	    {"blank before a number", " 5:1000000500:x"},
	    {"blank after a number", "5 :1000000500:x"},
	    {"blank in a number", "5:1000 000500:x"},
	    {"hex", "0x10:1000000500:x"},
	    {"exponent", "1e3:1000000500:x"},
	    {"letter after digits", "5:1000000500a:x"},
	    {"decimal point", "5.5:1000000500:x"},
	    {"uptime beyond int64", "9223372036854775808:1000000500:x"},
	    {"boot time beyond int64", "5:99999999999999999999:x"},
	    {"sum beyond int64", "9223372036854775000:1000000500:x"},
	    {"boot time in year 9999", "0:253370764800:x"},
	    {"boot ending in year 9999", "1:253370764799:x"},
	    {"uptime ending in year 9999", "253370764800:0:x"},
	    {"line of 4097 bytes", "5:1000000500:" + std::string(4097 - 13, 'x')},
	    {"line of 3 MB", "5:1000000500:" + std::string(3 << 20, 'x')},
	    {"line of 3 MB of NUL", std::string(3 << 20, '\0')},
	    // Any piece of its end would read as a record.
	    {"long line of zeros then a record", std::string(200000, '0') + "5:1000000500:x"},
	};
	for (const auto &c : cases) {
		// Between two good lines, then last in the store without a line end.
		EXPECT_EQ(read(good1 + c.line + "\n" + good2), good_seen) << c.name << " (middle)";
		corvane_forget_records();
		EXPECT_EQ(read(good1 + good2 + c.line), good_seen) << c.name << " (last)";
		corvane_forget_records();
	}
}

TEST_F(store_test, reads_the_edges_of_a_good_line)
{
	struct {
		const char *name;
		std::string content;
		seen expected;
	} const cases[] = {
	    {"empty system text", "5:1000:\n", {5, 1000, "", 0}},
	    {"colons and blanks in the text", "5:1000: a:b  c :\n", {5, 1000, " a:b  c :", 0}},
	    {"CRLF line end", "5:1000:x y\r\n", {5, 1000, "x y", 0}},
	    {"CR inside the text", "5:1000:x\ry\n", {5, 1000, "x\ry", 0}},
	    {"no line end", "5:1000:x", {5, 1000, "x", 0}},
	    {"no line end, empty text", "5:1000:", {5, 1000, "", 0}},
	    {"leading zeros", "007:0001000:x\n", {7, 1000, "x", 0}},
	    {"boot at the epoch", "0:0:x\n", {0, 0, "x", 0}},
	    {"last second allowed", "1:253370764798:x\n", {1, 253370764798, "x", 0}},
	    {"text cut to SYSMAX",
	     "5:1000:" + std::string(SYSMAX, 'a') + "bcd\n",
	     {5, 1000, std::string(SYSMAX, 'a'), 0}},
	    {"line of 4096 bytes",
	     "5:1000:" + std::string(4096 - 7, 'q') + "\n",
	     {5, 1000, std::string(SYSMAX, 'q'), 0}},
	    {"UTF-8 text",
	     "5:1000:Linux \xc3\xa9t\xc3\xa9\n",
	     {5, 1000, "Linux \xc3\xa9t\xc3\xa9", 0}},
	};
	for (const auto &c : cases) {
		EXPECT_EQ(read(c.content), std::vector<seen>{c.expected}) << c.name;
		corvane_forget_records();
	}
}

TEST_F(store_test, reads_a_store_with_crlf_line_ends)
{
	EXPECT_EQ(read("# made on another system\r\n"
	               "\r\n"
	               "3600:1000000000:Linux 6.1.0-28-amd64\r\n"
	               "7200:1000100000:Linux 6.1.0-29-amd64\r\n"),
	          good_seen);
}

TEST_F(store_test, survives_random_bytes)
{
	std::mt19937 rng(12345);
	for (int round = 0; round < 8; round++) {
		std::string content(1 << 18, '\0');
		for (char &c : content) {
			// Some rounds favour digits, colons and line ends, to make
			// more lines that look almost right.
			unsigned v = rng();
			c = round % 2 ? "0123456789:\n"[v % 12] : static_cast<char>(v);
		}
		content += "\n" + good1;
		read(content);
		bool found = false;
		for (urec *r : list_records()) {
			EXPECT_GE(r->uptime, 0);
			EXPECT_GE(r->boot_time, 0);
			EXPECT_LT(r->boot_time + r->uptime, 253370764800);
			EXPECT_GE(r->downtime, 0);
			found = found || (r->boot_time == 1000000000 && r->uptime >= 3600);
		}
		EXPECT_TRUE(found) << "round " << round;
		corvane_forget_records();
	}
}

TEST_F(store_test, keeps_the_longest_of_lines_for_one_boot)
{
	EXPECT_EQ(read("100:5000:a\n"
	               "300:5000:b\n"
	               "50:9000:other\n"
	               "300:5000:c\n"
	               "200:5000:d\n"),
	          (std::vector<seen>{{300, 5000, "b", 0}, {50, 9000, "other", 9000 - 5300}}));
}

TEST_F(store_test, skips_the_running_boot_which_the_program_added)
{
	urec *current = add_urec(60, 1000100000, "running");
	u_current = current;
	EXPECT_EQ(
	    read(good1 + "30:1000100000:stale copy of the running boot\n" + good2, 1000100000),
	    (std::vector<seen>{{3600, 1000000000, "Linux 6.1.0-28-amd64", 0},
	                       {60, 1000100000, "running", 100000 - 3600}}));
	EXPECT_EQ(list_records().back(), current);
}

TEST_F(store_test, orders_by_boot_time_and_sets_downtimes)
{
	// The running boot first in the list, the store out of order.
	urec *current = add_urec(10, 5000, "running");
	std::vector<seen> all = read("100:3000:after a gap\n"
	                             "500:1000:oldest\n"
	                             "900:3050:overlaps the one before\n"
	                             "20:4000:after a short gap\n"
	                             "0:4000:shorter copy\n",
	                             5000);
	EXPECT_EQ(all, (std::vector<seen>{
	                   {500, 1000, "oldest", 0},
	                   {100, 3000, "after a gap", 3000 - 1500},
	                   {900, 3050, "overlaps the one before", 0},
	                   {20, 4000, "after a short gap", 4000 - 3950},
	                   {10, 5000, "running", 5000 - 4020},
	               }));
	EXPECT_EQ(urec_list->boot_time, 1000);
	EXPECT_EQ(list_records().back(), current);
}

TEST_F(store_test, keeps_records_of_the_list_before_stored_ones_of_the_same_boot_time)
{
	// Only stored lines are merged; a record the program added stays.
	urec *added = add_urec(10, 2000, "added");
	std::vector<seen> all = read("20:2000:stored\n", no_current);
	EXPECT_EQ(all, (std::vector<seen>{{10, 2000, "added", 0}, {20, 2000, "stored", 0}}));
	EXPECT_EQ(urec_list, added);
}

TEST_F(store_test, a_missing_or_unreadable_store_is_an_empty_history)
{
	urec *current = add_urec(10, 5000, "running");
	current->downtime = 99;
	read_records(5000); // no file at all
	EXPECT_EQ(list_seen(), (std::vector<seen>{{10, 5000, "running", 0}}));

	setenv("CORVANE_RECORDS", dir.path.c_str(), 1); // a folder
	read_records(5000);
	EXPECT_EQ(list_seen(), (std::vector<seen>{{10, 5000, "running", 0}}));

	write_file(store, ""); // an empty file
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	read_records(5000);
	EXPECT_EQ(list_seen(), (std::vector<seen>{{10, 5000, "running", 0}}));
}

// What read_records_checked says of each kind of store, and that no store
// holds it up: a fifo with no writer, a device that never ends.
TEST_F(store_test, read_records_checked_tells_why_a_store_cannot_be_read)
{
	write_file(dir.path + "/plain", good1);
	ASSERT_EQ(mkdir((dir.path + "/folder").c_str(), 0755), 0);
	ASSERT_EQ(mkfifo((dir.path + "/fifo").c_str(), 0644), 0);
	ASSERT_EQ(symlink("/dev/zero", (dir.path + "/zero").c_str()), 0);
	ASSERT_EQ(symlink("plain", (dir.path + "/link").c_str()), 0);
	int sock = socket(AF_UNIX, SOCK_STREAM, 0);
	ASSERT_GE(sock, 0);
	sockaddr_un address = {};
	address.sun_family = AF_UNIX;
	std::string socket_path = dir.path + "/socket";
	ASSERT_LT(socket_path.size(), sizeof address.sun_path);
	std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
	ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
	const std::vector<seen> read = {{3600, 1000000000, "Linux 6.1.0-28-amd64", 0},
	                                {10, 2000000000, "running", 999996400}};
	const std::vector<seen> alone = {{10, 2000000000, "running", 0}};
	struct {
		std::string store;
		int error; // 0: read
		const std::vector<seen> &wanted;
	} const cases[] = {
	    {"plain", 0, read},
	    {"link", 0, read},
	    {"missing", 0, alone},
	    {"folder", EISDIR, alone},
	    {"fifo", EINVAL, alone},
	    {"zero", EINVAL, alone},
	    {"/dev/null", EINVAL, alone},
	    {"socket", EINVAL, alone},
	    {"plain/below", ENOTDIR, alone},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(10, 2000000000, "running");
		std::string path = c.store[0] == '/' ? c.store : dir.path + "/" + c.store;
		setenv("CORVANE_RECORDS", path.c_str(), 1);
		errno = 0;
		int result = read_records_checked(2000000000);
		EXPECT_EQ(result, c.error == 0 ? 0 : -1) << c.store;
		if (c.error != 0) {
			EXPECT_EQ(errno, c.error) << c.store;
		}
		EXPECT_EQ(list_seen(), c.wanted) << c.store;
	}
	close(sock);
}

// A CRLF line of the longest length is read wherever the reader's buffer
// ends: also between its '\r' and its '\n'.
TEST_F(store_test, reads_the_longest_crlf_line_at_every_buffer_end)
{
	std::string longest = "1:1000:" + std::string(4096 - 7, 'y');
	ASSERT_EQ(longest.size(), 4096U);
	for (std::size_t pad = 61400; pad < 61470; pad++) {
		std::string content =
		    "#" + std::string(pad, 'x') + "\n" + longest + "\r\n" + "5:2000:after\n";
		std::vector<seen> found = read(content);
		ASSERT_EQ(found.size(), 2U) << "padding " << pad;
		EXPECT_EQ(found[0].sysinfo, std::string(SYSMAX, 'y')) << "padding " << pad;
		EXPECT_EQ(found[1].sysinfo, "after") << "padding " << pad;
		corvane_forget_records();
	}
}

TEST_F(store_test, reads_every_line_of_a_large_store_across_buffer_ends)
{
	// Lines of many lengths, so that line ends fall everywhere in the
	// reader's buffer.
	std::string content;
	std::vector<seen> expected;
	std::mt19937 rng(99);
	int64_t boot = 1000000000;
	for (int i = 0; i < 100000; i++) {
		int64_t uptime = rng() % 1000;
		std::string text(rng() % 300, static_cast<char>('a' + i % 26));
		content += std::to_string(uptime) + ":" + std::to_string(boot) + ":" + text;
		content += i % 3 ? "\n" : "\r\n";
		expected.push_back({uptime, boot, text.substr(0, SYSMAX), 0});
		boot += 2000;
	}
	for (std::size_t i = 1; i < expected.size(); i++)
		expected[i].downtime = 2000 - expected[i - 1].uptime;
	// Shorter lines for some boots, late in the file: dropped, records
	// far into a large store being freed as well.
	for (std::size_t i = 0; i < expected.size(); i += 997) {
		if (expected[i].uptime > 0)
			content += std::to_string(expected[i].uptime - 1) + ":" +
			           std::to_string(expected[i].boot_time) + ":shorter\n";
	}
	EXPECT_EQ(read(content), expected);
}

} // namespace
