// lock_records_test.cpp - the lock that writers of the store hold.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::folder_names;

// Whether a byte can be read from fd within ms milliseconds.
bool readable_within(int fd, int ms)
{
	struct pollfd p = {fd, POLLIN, 0};
	return poll(&p, 1, ms) == 1;
}

TEST(lock_records, a_second_writer_waits_until_the_first_lets_go)
{
	corvane_test::temp_dir dir;
	std::string store = dir.path + "/new/folder/records";
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	int lock = lock_records();
	ASSERT_GE(lock, 0) << std::strerror(errno);
	// The lock file lies beside the store, which it does not make.
	struct stat st;
	EXPECT_EQ(stat((store + ".lock").c_str(), &st), 0);
	EXPECT_NE(stat(store.c_str(), &st), 0);

	int pipe_fds[2];
	ASSERT_EQ(pipe(pipe_fds), 0);
	pid_t child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		// Takes the lock, tells, and ends, which lets go of it.
		close(lock);
		int second = lock_records();
		char told = second >= 0 ? 'y' : 'n';
		_exit(write(pipe_fds[1], &told, 1) == 1 ? 0 : 1);
	}
	close(pipe_fds[1]);
	EXPECT_FALSE(readable_within(pipe_fds[0], 200)) << "two writers held the lock";
	unlock_records(lock);
	ASSERT_TRUE(readable_within(pipe_fds[0], 10000)) << "the lock was not let go";
	char told = 0;
	EXPECT_EQ(read(pipe_fds[0], &told, 1), 1);
	EXPECT_EQ(told, 'y');
	close(pipe_fds[0]);
	int status;
	ASSERT_EQ(waitpid(child, &status, 0), child);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

	// Once the child has ended, the lock is free again.
	lock = lock_records();
	EXPECT_GE(lock, 0);
	unlock_records(lock);
	unsetenv("CORVANE_RECORDS");
}

TEST(lock_records, names_the_reason_when_the_lock_cannot_be_made)
{
	corvane_test::temp_dir dir;
	std::string file = dir.path + "/file";
	corvane_test::write_file(file, "");
	std::string store = file + "/records"; // below a file, not a folder
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	errno = 0;
	EXPECT_EQ(lock_records(), -1);
	EXPECT_EQ(errno, ENOTDIR);
	unsetenv("CORVANE_RECORDS");
}

struct lock_test : corvane_test::store_fixture {
};

TEST_F(lock_test, every_path_to_one_store_takes_one_lock_beside_its_real_file)
{
	std::string real = dir.path + "/real";
	ASSERT_EQ(mkdir(real.c_str(), 0755), 0);
	corvane_test::write_file(real + "/records", "1:1000:x\n");
	ASSERT_EQ(symlink("real/records", store.c_str()), 0);
	ASSERT_EQ(symlink("real", (dir.path + "/linked").c_str()), 0);
	int lock = lock_records();
	ASSERT_GE(lock, 0) << std::strerror(errno);
	EXPECT_EQ(folder_names(dir.path), (std::set<std::string>{"linked", "real", "records"}));
	EXPECT_EQ(folder_names(real), (std::set<std::string>{"records", "records.lock"}));
	// Its holder's id is in the lock file while it holds it.
	EXPECT_EQ(corvane_test::read_file(real + "/records.lock"), std::to_string(getpid()) + "\n");

	for (const std::string &path : {real + "/records", dir.path + "/linked/records",
	                                dir.path + "/real/./../linked/records"}) {
		setenv("CORVANE_RECORDS", path.c_str(), 1);
		errno = 0;
		EXPECT_EQ(lock_records_within(0), -1) << path;
		EXPECT_EQ(errno, EWOULDBLOCK) << path;
		EXPECT_EQ(records_lock_holder(), static_cast<long>(getpid())) << path;
		char *resolved = real_file_path(path.c_str());
		ASSERT_NE(resolved, nullptr);
		EXPECT_EQ(resolved, std::filesystem::canonical(real + "/records").string());
		std::free(resolved);
	}
	unlock_records(lock);
	EXPECT_EQ(corvane_test::read_file(real + "/records.lock"), "");
	EXPECT_EQ(records_lock_holder(), 0);
	lock = lock_records_within(0);
	EXPECT_GE(lock, 0) << std::strerror(errno);
	unlock_records(lock);

	// A link to no store yet: the lock lies beside the store it will make.
	ASSERT_EQ(symlink("real/new", (dir.path + "/new").c_str()), 0);
	setenv("CORVANE_RECORDS", (dir.path + "/new").c_str(), 1);
	lock = lock_records();
	ASSERT_GE(lock, 0) << std::strerror(errno);
	EXPECT_EQ(folder_names(real),
	          (std::set<std::string>{"new.lock", "records", "records.lock"}));
	unlock_records(lock);
}

TEST_F(lock_test, a_bounded_wait_gives_up_or_takes_the_lock_once_let_go)
{
	int to_child[2], from_child[2];
	ASSERT_EQ(pipe(to_child), 0);
	ASSERT_EQ(pipe(from_child), 0);
	pid_t child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		// Holds the lock until told, then ends.
		close(to_child[1]);
		int held = lock_records();
		char c = held >= 0 ? 'y' : 'n';
		if (write(from_child[1], &c, 1) != 1 || read(to_child[0], &c, 1) < 0)
			_exit(1);
		_exit(0);
	}
	close(to_child[0]);
	close(from_child[1]);
	char told = 0;
	ASSERT_EQ(read(from_child[0], &told, 1), 1);
	ASSERT_EQ(told, 'y');

	for (unsigned int seconds : {0u, 1u}) {
		errno = 0;
		EXPECT_EQ(lock_records_within(seconds), -1) << seconds;
		EXPECT_EQ(errno, EWOULDBLOCK) << seconds;
	}
	EXPECT_EQ(records_lock_holder(), static_cast<long>(child));

	close(to_child[1]); // the child ends, which lets go of the lock
	int lock = lock_records_within(600);
	EXPECT_GE(lock, 0) << std::strerror(errno);
	unlock_records(lock);
	int status;
	ASSERT_EQ(waitpid(child, &status, 0), child);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
	close(from_child[0]);
	// The ended holder's id no longer counts.
	corvane_test::write_file(store + ".lock", std::to_string(child) + "\n");
	EXPECT_EQ(records_lock_holder(), 0);
}

TEST_F(lock_test, takes_away_the_strays_of_dead_writers_and_nothing_else)
{
	const std::set<std::string> strays = {".records.Ab12Cz", ".records.boot.a1B2c3",
	                                      ".records.ends.000000", ".records.x.y.QQQQQQ"};
	const std::set<std::string> kept = {"records",
	                                    ".records.Ab12C",
	                                    ".records.Ab12Cz7",
	                                    ".records.Ab-2Cz",
	                                    "records.Ab12Cz",
	                                    ".other.Ab12Cz",
	                                    ".records..Ab12Cz",
	                                    ".recordsx.Ab12Cz",
	                                    ".records.folder",
	                                    ".records.linkxx",
	                                    ".records.old.Ab12Cz",
	                                    "records.old.lock",
	                                    ".records.boot.Ab12Cz.x"};
	for (const std::string &name : strays)
		corvane_test::write_file(dir.path + "/" + name, "half a store");
	for (const std::string &name : kept) {
		if (name == ".records.folder")
			ASSERT_EQ(mkdir((dir.path + "/" + name).c_str(), 0755), 0);
		else if (name == ".records.linkxx")
			ASSERT_EQ(symlink("records", (dir.path + "/" + name).c_str()), 0);
		else
			corvane_test::write_file(dir.path + "/" + name, "kept");
	}
	for (int (*take)() :
	     {+[] { return lock_records(); }, +[] { return lock_records_within(0); }}) {
		int lock = take();
		ASSERT_GE(lock, 0) << std::strerror(errno);
		std::set<std::string> want = kept;
		want.insert("records.lock");
		EXPECT_EQ(folder_names(dir.path), want);
		unlock_records(lock);
		for (const std::string &name : strays)
			corvane_test::write_file(dir.path + "/" + name, "half a store");
	}
}

} // namespace
