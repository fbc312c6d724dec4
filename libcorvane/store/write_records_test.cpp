// write_records_test.cpp - the new text of the store: lines kept, lines
// rewritten, boots added.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::read_file;
using corvane_test::write_file;

// A record to put in the list.
struct record {
	int64_t uptime;
	int64_t boot_time;
	std::string sysinfo;
};

// Each case has its own store, named by CORVANE_RECORDS, and writes into a
// file of its own.
struct write_records_test : corvane_test::store_fixture {
	std::string out = dir.path + "/out";

	// The list holds records, in this order; write_records runs on the
	// store as it is.  Its status, and errno after a failure, go to status
	// and error.
	std::string write(const std::vector<record> &records, int *status = nullptr,
	                  int *error = nullptr)
	{
		corvane_forget_records();
		for (auto r = records.rbegin(); r != records.rend(); ++r)
			add_urec(r->uptime, static_cast<time_t>(r->boot_time), r->sysinfo.c_str());
		int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		EXPECT_GE(fd, 0);
		errno = 0;
		int got = write_records(fd);
		if (status)
			*status = got;
		if (error)
			*error = errno;
		EXPECT_TRUE(status || got == 0) << std::strerror(errno);
		close(fd);
		return read_file(out);
	}

	// The same on a store of this content.
	std::string write(const std::string &content, const std::vector<record> &records)
	{
		write_file(store, content);
		return write(records);
	}
};

const record running = {7200, 1000100000, "Linux 6.1.0-29-amd64"};
const std::string old_line = "3600:1000100000:Linux 6.1.0-29-amd64\n";
const std::string new_line = "7200:1000100000:Linux 6.1.0-29-amd64\n";

TEST_F(write_records_test, keeps_every_line_that_holds_no_boot_of_the_list)
{
	struct {
		const char *name;
		std::string line; // without its line end
	} const cases[] = {
	    {"comment", "# uptime:boot time:system"},
	    {"comment like the held boot", "# 3600:1000100000:x"},
	    {"blank", ""},
	    {"blanks", " \t "},
	    {"CR alone", "\r"},
	    {"a boot the list lacks", "5:1000000000:Linux 6.1.0-28-amd64"},
	    {"the held boot with a sign", "+9999:1000100000:x"},
	    {"the held boot beyond year 9999", "253370764800:1000100000:x"},
	    {"garbage", "hello, world"},
	    {"NUL bytes", std::string("5:1000100000:Li") + '\0' + "nux"},
	    {"binary", std::string("\x01\xff\xfe:\x80\x00\x7f", 7)},
	    {"the held boot in 4097 bytes", "1:1000100000:" + std::string(4097 - 13, 'x')},
	    {"line of 3 MB", std::string(3 << 20, 'y')},
	    {"line of 3 MB of NUL", std::string(3 << 20, '\0')},
	};
	for (const auto &c : cases) {
		std::string before = "# records\n" + c.line + "\n" + old_line + c.line + "\r\n";
		std::string after = "# records\n" + c.line + "\n" + new_line + c.line + "\r\n";
		EXPECT_EQ(write(before, {running}), after) << c.name;
		// Last in the store without a line end: the boot the store lacked
		// follows on a line of its own.
		EXPECT_EQ(write("# records\n" + c.line, {running}),
		          "# records\n" + c.line + (c.line.empty() ? "" : "\n") + new_line)
		    << c.name << " (last)";
	}
}

TEST_F(write_records_test, rewrites_the_line_of_a_boot_in_place)
{
	const std::string long_text(300, 't');
	struct {
		const char *name;
		std::string before;
		std::vector<record> records;
		std::string after;
	} const cases[] = {
	    {"longer uptime",
	     "# c\n100:1000:A\n50:2000:B\n",
	     {{200, 1000, "A"}},
	     "# c\n200:1000:A\n50:2000:B\n"},
	    {"same values: the line as it was",
	     "0100:0001000:A\n",
	     {{100, 1000, "A"}},
	     "0100:0001000:A\n"},
	    {"same values, no line end", "100:1000:A", {{100, 1000, "A"}}, "100:1000:A"},
	    {"CRLF line end kept", "100:1000:A\r\n", {{200, 1000, "A"}}, "200:1000:A\r\n"},
	    {"leading zeros dropped once rewritten",
	     "0100:0001000:A\n",
	     {{200, 1000, "A"}},
	     "200:1000:A\n"},
	    {"a text beyond SYSMAX kept whole",
	     "100:1000:" + long_text + "\n",
	     {{200, 1000, long_text}},
	     "200:1000:" + long_text + "\n"},
	    {"another text", "100:1000:A\n", {{200, 1000, "B"}}, "200:1000:B\n"},
	    {"a stored uptime is never lowered",
	     "500:1000:A\n",
	     {{200, 1000, "B"}},
	     "500:1000:A\n"},
	    {"older copies dropped, longer ones kept",
	     "100:1000:A\n150:1000:A2\n50:2000:B\n900:1000:A3\n200:1000:A4\n",
	     {{200, 1000, "A"}},
	     "200:1000:A\n50:2000:B\n900:1000:A3\n"},
	    {"a longer line first stands for the record",
	     "900:1000:A\n100:1000:A2\n",
	     {{200, 1000, "A"}},
	     "900:1000:A\n"},
	    {"new boots at the end, oldest first",
	     "50:2000:B\n",
	     {{5, 9000, "D"}, {7, 3000, "C"}, {1, 0, ""}},
	     "50:2000:B\n1:0:\n7:3000:C\n5:9000:D\n"},
	    {"the longest of one boot time in the list",
	     "",
	     {{5, 3000, "first"}, {9, 3000, "longest"}, {9, 3000, "tie"}},
	     "9:3000:longest\n"},
	    {"only the list's boots", "50:2000:B\n", {}, "50:2000:B\n"},
	    {"colons and blanks in a text", "", {{1, 2, " a:b  c :"}}, "1:2: a:b  c :\n"},
	    {"a text ending in CR gets a CRLF line end", "", {{1, 2, "a\r"}}, "1:2:a\r\r\n"},
	    {"a rewritten text ending in CR",
	     "100:1000:A\n",
	     {{200, 1000, "B\r"}},
	     "200:1000:B\r\r\n"},
	    {"a stored text ending in CR",
	     "3600:1700000000:Linux 6.1\r\r\n",
	     {{7200, 1700000000, "Linux 6.1\r"}},
	     "7200:1700000000:Linux 6.1\r\r\n"},
	    {"a text beyond SYSMAX that would pass the line limit is cut",
	     "100:1000:" + std::string(4096 - 9, 'u') + "\n",
	     {{1000, 1000, std::string(SYSMAX, 'u')}},
	     "1000:1000:" + std::string(SYSMAX, 'u') + "\n"},
	    {"a text beyond SYSMAX at the line limit",
	     "1000:1000:" + std::string(4096 - 10, 'u') + "\r\n",
	     {{2000, 1000, std::string(SYSMAX, 'u')}},
	     "2000:1000:" + std::string(4096 - 10, 'u') + "\r\n"},
	};
	for (const auto &c : cases)
		EXPECT_EQ(write(c.before, c.records), c.after) << c.name;
}

TEST_F(write_records_test, writes_the_list_when_there_is_no_store)
{
	EXPECT_EQ(write({{3, 2000, "b"}, {1, 1000, "a"}}), "1:1000:a\n3:2000:b\n");
	EXPECT_EQ(write({}), "");
}

TEST_F(write_records_test, refuses_a_record_it_cannot_store_and_writes_nothing)
{
	struct {
		const char *name;
		record bad;
	} const cases[] = {
	    {"negative uptime", {-1, 1000, "x"}},
	    {"negative boot time", {1, -1000, "x"}},
	    {"boot in year 9999", {0, 253370764800, "x"}},
	    {"boot ending in year 9999", {1, 253370764799, "x"}},
	    {"uptime beyond int64 with the boot time", {INT64_MAX, 1000, "x"}},
	    {"line end in the text", {1, 1000, "a\nb"}},
	};
	write_file(store, old_line);
	for (const auto &c : cases) {
		int status = 0;
		int error = 0;
		EXPECT_EQ(write({running, c.bad}, &status, &error), "") << c.name;
		EXPECT_EQ(status, -1) << c.name;
		EXPECT_EQ(error, EINVAL) << c.name;
	}
	EXPECT_EQ(read_file(store), old_line);
}

TEST_F(write_records_test, fails_on_a_store_that_is_no_plain_file_or_a_full_device)
{
	int status = 0;
	int error = 0;
	ASSERT_EQ(mkdir(store.c_str(), 0755), 0);
	write({running}, &status, &error);
	EXPECT_EQ(status, -1);
	EXPECT_EQ(error, EISDIR);
	ASSERT_EQ(rmdir(store.c_str()), 0);

	// A fifo would block a reader until a writer came.
	ASSERT_EQ(mkfifo(store.c_str(), 0644), 0);
	write({running}, &status, &error);
	EXPECT_EQ(status, -1);
	EXPECT_EQ(error, EINVAL);
	ASSERT_EQ(unlink(store.c_str()), 0);

	int full = open("/dev/full", O_WRONLY);
	if (full < 0)
		GTEST_SKIP() << "no /dev/full";
	write_file(store, "# a comment\n" + old_line);
	add_urec(running.uptime, running.boot_time, running.sysinfo.c_str());
	errno = 0;
	EXPECT_EQ(write_records(full), -1);
	EXPECT_EQ(errno, ENOSPC);
	close(full);
}

TEST_F(write_records_test, copies_random_bytes_through_and_adds_the_boot)
{
	std::mt19937 rng(4242);
	for (int round = 0; round < 6; round++) {
		// Lines of every length, up to some beyond the longest line read,
		// so that line ends fall everywhere in the writer's buffers.
		std::string content(1 << 18, '\0');
		for (char &c : content) {
			unsigned v = rng();
			c = round % 2 ? "0123456789:\n"[v % 12] : static_cast<char>(v);
		}
		if (round == 4)
			content.insert(1000, std::string(200000, 'z'));
		std::string expected =
		    content + (content.back() == '\n' ? "" : "\n") + "5:123456789:added\n";
		EXPECT_EQ(write(content, {{5, 123456789, "added"}}), expected) << "round " << round;
	}
}

} // namespace
