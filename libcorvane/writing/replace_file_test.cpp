// replace_file_test.cpp - replacing a file whole: content, modes, owners,
// links, and the old file kept on failure.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::folder_names;

using corvane_test::read_file;
using corvane_test::write_file;

mode_t mode_of(const std::string &path)
{
	struct stat st;
	EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
	return st.st_mode & 07777;
}

struct replace_file_test : ::testing::Test {
	corvane_test::temp_dir dir;
};

TEST_F(replace_file_test, writes_the_bytes_exactly_and_leaves_no_other_file)
{
	const std::string cases[] = {"", "one line\n", std::string("nul\0bytes\r\n\xff", 13),
	                             std::string(200000, 'x')};
	std::string path = dir.path + "/records.boot";
	for (const std::string &bytes : cases) {
		ASSERT_EQ(replace_file(path.c_str(), bytes.data(), bytes.size()), 0)
		    << std::strerror(errno);
		EXPECT_EQ(read_file(path), bytes);
		EXPECT_EQ(folder_names(dir.path), std::set<std::string>{"records.boot"});
	}
	EXPECT_EQ(replace_file(path.c_str(), nullptr, 0), 0);
	EXPECT_EQ(read_file(path), "");
}

TEST_F(replace_file_test, makes_folders_and_a_new_file_readable_by_everyone)
{
	std::string path = dir.path + "/metrics/a/corvane.prom";
	mode_t old_umask = umask(077);
	int status = replace_file(path.c_str(), "x\n", 2);
	umask(old_umask);
	ASSERT_EQ(status, 0) << std::strerror(errno);
	EXPECT_EQ(mode_of(dir.path + "/metrics"), 0755u);
	EXPECT_EQ(mode_of(dir.path + "/metrics/a"), 0755u);
	EXPECT_EQ(mode_of(path), 0644u);
	EXPECT_EQ(read_file(path), "x\n");
}

TEST_F(replace_file_test, keeps_the_mode_and_owner_of_the_old_file)
{
	std::string path = dir.path + "/records.ends";
	write_file(path, "old\n");
	ASSERT_EQ(chmod(path.c_str(), 0600), 0);
	bool root = geteuid() == 0;
	if (root) {
		ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
	}
	ASSERT_EQ(replace_file(path.c_str(), "new\n", 4), 0) << std::strerror(errno);
	EXPECT_EQ(mode_of(path), 0600u);
	if (root) {
		struct stat st;
		ASSERT_EQ(stat(path.c_str(), &st), 0);
		EXPECT_EQ(st.st_uid, 1234u);
		EXPECT_EQ(st.st_gid, 5678u);
	}
	EXPECT_EQ(read_file(path), "new\n");
}

TEST_F(replace_file_test, replaces_the_file_where_links_point)
{
	ASSERT_EQ(mkdir((dir.path + "/real").c_str(), 0755), 0);
	write_file(dir.path + "/real/old", "old\n");
	ASSERT_EQ(symlink("real/old", (dir.path + "/to-old").c_str()), 0);
	ASSERT_EQ(symlink("real/new", (dir.path + "/to-new").c_str()), 0);
	ASSERT_EQ(symlink("real", (dir.path + "/linked").c_str()), 0);
	// link given, file that the new content lands in
	const std::pair<std::string, std::string> cases[] = {
	    {"/to-old", "/real/old"},         // a link to a file
	    {"/to-new", "/real/new"},         // a link to no file yet
	    {"/linked/old", "/real/old"},     // a linked folder
	    {"/linked/../real/x", "/real/x"}, // a new file through a linked folder
	};
	for (const auto &[given, real] : cases) {
		std::string bytes = "through " + given + "\n";
		ASSERT_EQ(replace_file((dir.path + given).c_str(), bytes.data(), bytes.size()), 0)
		    << given << ": " << std::strerror(errno);
		EXPECT_EQ(read_file(dir.path + real), bytes) << given;
	}
	struct stat st;
	for (const char *link : {"/to-old", "/to-new", "/linked"}) {
		ASSERT_EQ(lstat((dir.path + link).c_str(), &st), 0);
		EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
	}
	EXPECT_EQ(folder_names(dir.path + "/real"), (std::set<std::string>{"new", "old", "x"}));
}

TEST_F(replace_file_test, a_failure_leaves_the_old_file_and_no_new_one)
{
	std::string path = dir.path + "/records.boot";
	write_file(path, "old\n");
	ASSERT_EQ(mkdir((dir.path + "/folder").c_str(), 0755), 0);
	ASSERT_EQ(mkfifo((dir.path + "/fifo").c_str(), 0644), 0);
	// path, errno
	const std::pair<std::string, int> cases[] = {
	    {dir.path + "/folder", EISDIR},
	    {dir.path + "/fifo", EINVAL},
	    {path + "/below", ENOTDIR},
	};
	for (const auto &[given, error] : cases) {
		errno = 0;
		EXPECT_EQ(replace_file(given.c_str(), "new\n", 4), -1) << given;
		EXPECT_EQ(errno, error) << given;
	}
	errno = 0;
	EXPECT_EQ(replace_file(path.c_str(), nullptr, 4), -1);
	EXPECT_EQ(errno, EINVAL);

	// A write that fails half way: files may grow to 4 KiB only.
	struct rlimit old_limit;
	ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
	struct rlimit small = old_limit;
	small.rlim_cur = 4096;
	auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
	ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
	std::string big(100000, 'x');
	errno = 0;
	int status = replace_file(path.c_str(), big.data(), big.size());
	int error = errno;
	setrlimit(RLIMIT_FSIZE, &old_limit);
	std::signal(SIGXFSZ, old_handler);
	EXPECT_EQ(status, -1);
	EXPECT_EQ(error, EFBIG);

	EXPECT_EQ(read_file(path), "old\n");
	EXPECT_EQ(folder_names(dir.path),
	          (std::set<std::string>{"records.boot", "folder", "fifo"}));
}

} // namespace
