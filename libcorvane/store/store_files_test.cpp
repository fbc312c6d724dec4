// store_files_test.cpp - the names of a store's files, and the calls that take them.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::folder_names;
using corvane_test::read_file;

// The real path of an existing folder.
std::string real_folder(const std::string &dir)
{
	return std::filesystem::canonical(dir).string();
}

TEST(store_files, name_every_file_beside_the_stores_real_file)
{
	corvane_test::temp_dir dir;
	std::string real = real_folder(dir.path);
	std::filesystem::create_directory(dir.path + "/data");
	std::filesystem::create_symlink("data", dir.path + "/linked");
	std::filesystem::create_symlink("data/records", dir.path + "/store-link");
	struct {
		std::string path; // the store as given
		std::string cwd;  // the working folder, for a relative path
	} cases[] = {
	    {dir.path + "/data/records", ""},
	    {dir.path + "/linked/records", ""}, // a linked folder
	    {dir.path + "/store-link", ""},     // a link to no file yet
	    {dir.path + "/data/./../data/records", ""},
	    {"records", dir.path + "/data"}, // a relative path
	};
	std::string old_cwd = std::filesystem::current_path().string();
	for (const auto &c : cases) {
		if (!c.cwd.empty())
			std::filesystem::current_path(c.cwd);
		store_files files;
		ASSERT_EQ(make_store_files(c.path.c_str(), &files), 0) << c.path;
		std::filesystem::current_path(old_cwd);
		std::string store = real + "/data/records";
		EXPECT_EQ(files.store, store) << c.path;
		EXPECT_EQ(files.lock, store + ".lock") << c.path;
		EXPECT_EQ(files.boot_mark, store + ".boot") << c.path;
		EXPECT_EQ(files.ends, store + ".ends") << c.path;
		EXPECT_EQ(files.temp_prefix, real + "/data/.records.") << c.path;
		EXPECT_EQ(files.resolve_error, 0) << c.path;
		free_store_files(&files);
		EXPECT_EQ(files.store, nullptr);
	}
}

TEST(store_files, of_a_path_that_cannot_be_resolved_are_named_as_given)
{
	corvane_test::temp_dir dir;
	std::string loop = dir.path + "/loop";
	std::filesystem::create_symlink("loop", loop);
	store_files files;
	ASSERT_EQ(make_store_files(loop.c_str(), &files), 0);
	EXPECT_EQ(files.resolve_error, ELOOP);
	EXPECT_EQ(files.store, loop);
	EXPECT_EQ(files.lock, loop + ".lock");
	// Without its real file, a store has no lock that every path takes.
	errno = 0;
	EXPECT_EQ(lock_records_in(&files, 0), -1);
	EXPECT_EQ(errno, ELOOP);
	EXPECT_EQ(records_lock_holder_in(&files), 0);
	free_store_files(&files);
}

TEST(store_files, need_a_path)
{
	for (const char *path : {static_cast<const char *>(nullptr), ""}) {
		store_files files;
		errno = 0;
		EXPECT_EQ(make_store_files(path, &files), -1);
		EXPECT_EQ(errno, EINVAL);
		EXPECT_EQ(files.store, nullptr);
		free_store_files(&files); // an empty value is let be
	}
}

// The calls that take the files work on them, not on the store that
// CORVANE_RECORDS names.
struct store_files_calls : corvane_test::store_fixture {
	std::string other = dir.path + "/other/records";
	store_files files = {};

	void SetUp() override
	{
		store_fixture::SetUp();
		ASSERT_EQ(make_store_files(other.c_str(), &files), 0);
	}
	void TearDown() override
	{
		free_store_files(&files);
		store_fixture::TearDown();
	}
};

TEST_F(store_files_calls, read_and_write_the_store_they_name)
{
	ASSERT_TRUE(add_urec(100, 1700000000, "Linux 6.1"));
	ASSERT_EQ(save_records_in(&files), 0) << std::strerror(errno);
	EXPECT_EQ(read_file(other), "100:1700000000:Linux 6.1\n");
	EXPECT_FALSE(std::filesystem::exists(store));

	corvane_forget_records();
	ASSERT_EQ(read_records_in(&files, 0), 0);
	ASSERT_NE(urec_list, nullptr);
	EXPECT_EQ(urec_list->uptime, 100);
	EXPECT_EQ(urec_list->next, nullptr);

	urec_list->uptime = 200;
	std::string written = dir.path + "/written";
	int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(write_records_in(&files, fd), 0);
	::close(fd);
	EXPECT_EQ(read_file(written), "200:1700000000:Linux 6.1\n");
}

TEST_F(store_files_calls, lock_the_store_they_name_and_take_its_strays)
{
	std::filesystem::create_directories(dir.path + "/other");
	std::string stray = std::string(files.temp_prefix) + "Ab12Cd";
	corvane_test::write_file(stray, "half a store");
	int lock = lock_records_in(&files, 0);
	ASSERT_GE(lock, 0) << std::strerror(errno);
	EXPECT_EQ(read_file(files.lock), std::to_string(getpid()) + "\n");
	EXPECT_EQ(records_lock_holder_in(&files), static_cast<long>(getpid()));
	EXPECT_FALSE(std::filesystem::exists(stray));
	EXPECT_EQ(records_lock_holder(), 0); // the store of CORVANE_RECORDS
	unlock_records(lock);
}

TEST_F(store_files_calls, keep_the_boot_mark_of_the_store_they_name)
{
	boot_mark saved = {"5b4c3273", 1700000000};
	boot_mark mark;
	boot_mark_figures figures = {0, 0, 0};
	EXPECT_EQ(read_boot_mark_in(&files, &mark, &figures), 0);
	EXPECT_EQ(figures.uptime, -1);
	// Each figure the mark lacks is written as little as the line needs,
	// and read back as -1.
	struct {
		boot_mark_figures figures;
		const char *line;
	} forms[] = {
	    {{-1, -1, -1}, "5b4c3273 1700000000\n"},
	    {{42, -1, -1}, "5b4c3273 1700000000 42\n"},
	    {{42, 40, -1}, "5b4c3273 1700000000 42 40 -\n"},
	    {{42, -1, 7}, "5b4c3273 1700000000 42 - 7\n"},
	    {{9223372036854775807, 0, 0}, "5b4c3273 1700000000 9223372036854775807 0 0\n"},
	};
	for (const auto &form : forms) {
		ASSERT_EQ(save_boot_mark_in(&files, &saved, &form.figures), 0)
		    << std::strerror(errno);
		EXPECT_EQ(read_file(files.boot_mark), form.line);
		ASSERT_EQ(read_boot_mark_in(&files, &mark, &figures), 1) << form.line;
		EXPECT_STREQ(mark.id, "5b4c3273");
		EXPECT_EQ(mark.boot_time, 1700000000);
		EXPECT_EQ(figures.uptime, form.figures.uptime) << form.line;
		EXPECT_EQ(figures.stored, form.figures.stored) << form.line;
		EXPECT_EQ(figures.suspended, form.figures.suspended) << form.line;
	}
	ASSERT_EQ(save_boot_mark_in(&files, &saved, nullptr), 0);
	EXPECT_EQ(read_file(files.boot_mark), "5b4c3273 1700000000\n");
	EXPECT_EQ(read_boot_mark_in(&files, &mark, nullptr), 1);
	EXPECT_EQ(read_boot_mark(&mark), 0); // the store of CORVANE_RECORDS has none
	boot_mark_figures refused[] = {{-2, -1, -1}, {5, -2, -1}, {5, -1, -2}, {-1, 3, -1}};
	for (const auto &bad : refused) {
		errno = 0;
		EXPECT_EQ(save_boot_mark_in(&files, &saved, &bad), -1);
		EXPECT_EQ(errno, EINVAL);
	}
	EXPECT_EQ(folder_names(dir.path + "/other"), (std::set<std::string>{"records.boot"}));
}

} // namespace
