// lock_records_test.cpp - the lock that writers of the store hold.
#include <cerrno>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane.h"
#include "test_support.h"

namespace
{

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

} // namespace
