// boot_mark_test.cpp - the boot mark beside the store: written whole, read
// back exactly, anything else in its place read as no mark.
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

struct boot_mark_test : corvane_test::store_fixture {
	std::string mark_file = store + ".boot";
};

boot_mark mark_of(const char *id, time_t boot_time)
{
	boot_mark mark = {};
	std::strncpy(mark.id, id, sizeof mark.id - 1);
	mark.boot_time = boot_time;
	return mark;
}

TEST_F(boot_mark_test, is_saved_as_one_line_and_read_back)
{
	boot_mark mark = {};
	EXPECT_EQ(read_boot_mark(&mark), 0); // none yet
	boot_mark saved = mark_of("5b4c3273-82fc-49bf-ac1d-566b6b43b36a", 1796913230);
	ASSERT_EQ(save_boot_mark(&saved), 0);
	EXPECT_EQ(corvane_test::read_file(mark_file),
	          "5b4c3273-82fc-49bf-ac1d-566b6b43b36a 1796913230\n");
	ASSERT_EQ(read_boot_mark(&mark), 1);
	EXPECT_STREQ(mark.id, saved.id);
	EXPECT_EQ(mark.boot_time, saved.boot_time);
	struct stat st;
	ASSERT_EQ(stat(mark_file.c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(boot_mark_test, refuses_to_save_what_it_could_not_read_back)
{
	for (const boot_mark &bad : {mark_of("", 1), mark_of("a b", 1), mark_of("a\n", 1),
	                             mark_of(std::string(63, 'a').c_str(), -1)}) {
		errno = 0;
		EXPECT_EQ(save_boot_mark(&bad), -1) << bad.id;
		EXPECT_EQ(errno, EINVAL) << bad.id;
	}
	boot_mark longest = mark_of(std::string(63, 'a').c_str(), 0);
	EXPECT_EQ(save_boot_mark(&longest), 0);
	EXPECT_EQ(access(mark_file.c_str(), F_OK), 0);
}

TEST_F(boot_mark_test, reads_anything_else_as_no_mark)
{
	const std::string cases[] = {
	    "",
	    "\n",
	    "a 12",         // no line end
	    "a 12\n\n",     // more after it
	    "a 12\nb 13\n", // two marks
	    "a -12\n",      // a sign
	    "a 012\n",      // a leading zero
	    "a  12\n",      // two blanks
	    " 12\n",        // no id
	    "a\n",          // no time
	    "a b 12\n",     // a blank in the id
	    "a_b 12\n",     // a character an id lacks
	    "a 12x\n",      // not a number
	    "a 99999999999999999999\n",
	    std::string(64, 'a') + " 1\n", // an id too long
	    std::string("a\0b 12\n", 7),
	    std::string(100000, '7'),
	};
	for (const std::string &text : cases) {
		corvane_test::write_file(mark_file, text);
		boot_mark mark = mark_of("left over", 99);
		EXPECT_EQ(read_boot_mark(&mark), 0) << text.substr(0, 40);
		EXPECT_STREQ(mark.id, "") << text.substr(0, 40);
		EXPECT_EQ(mark.boot_time, 0) << text.substr(0, 40);
	}
	corvane_test::write_file(mark_file, "0 0\n");
	boot_mark mark;
	EXPECT_EQ(read_boot_mark(&mark), 1);
}

TEST_F(boot_mark_test, reads_the_uptime_of_a_mark_and_the_old_form_without_one)
{
	struct {
		std::string text;
		int read;
		time_t boot_time;
		int64_t uptime;
	} const cases[] = {
	    {"a 12\n", 1, 12, -1},
	    {"a 12 300\n", 1, 12, 300},
	    {"a 12 0\n", 1, 12, 0},
	    {"a 0 0\n", 1, 0, 0},
	    {"a 9223372036854775807 9223372036854775807\n", 1, INT64_MAX, INT64_MAX},
	    {"a 12 9223372036854775808\n", 0, 0, -1},
	    {"a 12 012\n", 0, 0, -1},
	    {"a 12 -3\n", 0, 0, -1},
	    {"a 12  3\n", 0, 0, -1},
	    {"a 12 3 4\n", 0, 0, -1},
	    {"a 12 \n", 0, 0, -1},
	    {"a 12 3x\n", 0, 0, -1},
	    // The run's figures after the uptime: the stored uptime and the
	    // suspended time, each a number or "-".
	    {"a 12 300 240 7\n", 1, 12, 300},
	    {"a 12 300 - -\n", 1, 12, 300},
	    {"a 12 300 0 -\n", 1, 12, 300},
	    {"a 12 - 240 7\n", 0, 0, -1},
	    {"a 12 300 240 7 1\n", 0, 0, -1},
	    {"a 12 300 240 07\n", 0, 0, -1},
	    {"a 12 300 -- 7\n", 0, 0, -1},
	    {"a 12 300 240 7 \n", 0, 0, -1},
	    {"a 12 300 240  7\n", 0, 0, -1},
	    {std::string(63, 'a') + " 9223372036854775807 9223372036854775807 "
	                            "9223372036854775807 9223372036854775807\n",
	     1, INT64_MAX, INT64_MAX},
	};
	for (const auto &c : cases) {
		corvane_test::write_file(mark_file, c.text);
		boot_mark mark = mark_of("left over", 99);
		int64_t uptime = 99;
		EXPECT_EQ(read_boot_mark_uptime(&mark, &uptime), c.read) << c.text;
		EXPECT_EQ(mark.boot_time, c.boot_time) << c.text;
		EXPECT_EQ(uptime, c.uptime) << c.text;
		EXPECT_EQ(std::string(mark.id), c.read ? c.text.substr(0, c.text.find(' ')) : "")
		    << c.text;
		// The mark without its uptime reads alike.
		EXPECT_EQ(read_boot_mark(&mark), c.read) << c.text;
		EXPECT_EQ(mark.boot_time, c.boot_time) << c.text;
	}
}

// Every time that save_boot_mark writes reads back, the largest included.
TEST_F(boot_mark_test, reads_back_every_time_it_saves)
{
	const int64_t times[] = {0,
	                         1,
	                         1796913230,
	                         922337203685477579,
	                         922337203685477580,
	                         9223372036854775799,
	                         9223372036854775800,
	                         9223372036854775806,
	                         INT64_MAX};
	for (int64_t t : times) {
		boot_mark saved = mark_of("a", static_cast<time_t>(t));
		ASSERT_EQ(save_boot_mark(&saved), 0) << t;
		boot_mark mark;
		int64_t uptime = 0;
		ASSERT_EQ(read_boot_mark_uptime(&mark, &uptime), 1) << t;
		EXPECT_EQ(mark.boot_time, t);
		EXPECT_EQ(uptime, -1) << t;
		ASSERT_EQ(save_boot_mark_uptime(&saved, t), 0) << t;
		EXPECT_EQ(corvane_test::read_file(mark_file),
		          "a " + std::to_string(t) + " " + std::to_string(t) + "\n");
		ASSERT_EQ(read_boot_mark_uptime(&mark, &uptime), 1) << t;
		EXPECT_EQ(mark.boot_time, t);
		EXPECT_EQ(uptime, t);
	}
	boot_mark saved = mark_of("a", 12);
	errno = 0;
	EXPECT_EQ(save_boot_mark_uptime(&saved, -1), -1);
	EXPECT_EQ(errno, EINVAL);
	saved.boot_time = -1;
	errno = 0;
	EXPECT_EQ(save_boot_mark_uptime(&saved, 5), -1);
	EXPECT_EQ(errno, EINVAL);
}

TEST_F(boot_mark_test, reads_no_mark_from_what_is_not_a_plain_file)
{
	boot_mark mark;
	ASSERT_EQ(mkdir(mark_file.c_str(), 0755), 0);
	EXPECT_EQ(read_boot_mark(&mark), 0);
	ASSERT_EQ(rmdir(mark_file.c_str()), 0);
	// A FIFO with no writer must not block the reader.
	ASSERT_EQ(mkfifo(mark_file.c_str(), 0644), 0);
	EXPECT_EQ(read_boot_mark(&mark), 0);
	ASSERT_EQ(unlink(mark_file.c_str()), 0);
	ASSERT_EQ(symlink("/dev/zero", mark_file.c_str()), 0);
	EXPECT_EQ(read_boot_mark(&mark), 0);
}

TEST_F(boot_mark_test, is_found_beside_the_real_store_through_a_link)
{
	boot_mark saved = mark_of("a-1", 1234);
	ASSERT_EQ(save_boot_mark(&saved), 0);
	std::string link = dir.path + "/link";
	ASSERT_EQ(symlink(store.c_str(), link.c_str()), 0);
	setenv("CORVANE_RECORDS", link.c_str(), 1);
	boot_mark mark;
	ASSERT_EQ(read_boot_mark(&mark), 1);
	EXPECT_EQ(mark.boot_time, 1234);
	EXPECT_NE(access((link + ".boot").c_str(), F_OK), 0);
}

} // namespace
