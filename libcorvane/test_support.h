// test_support.h - helpers shared by the library's tests.
#ifndef CORVANE_TEST_SUPPORT_H
#define CORVANE_TEST_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "internal.h"

namespace corvane_test
{

// A new empty folder below TMPDIR (or /tmp), removed with all it holds when
// the value goes away.
struct temp_dir {
	std::string path;

	temp_dir()
	{
		const char *base = std::getenv("TMPDIR");
		std::string pattern =
		    std::string(base && *base ? base : "/tmp") + "/corvane-XXXXXX";
		std::vector<char> name(pattern.begin(), pattern.end());
		name.push_back('\0');
		if (!mkdtemp(name.data()))
			throw std::runtime_error("mkdtemp failed for " + pattern);
		path = name.data();
	}
	~temp_dir()
	{
		std::error_code ignored;
		std::filesystem::remove_all(path, ignored);
	}
	temp_dir(const temp_dir &) = delete;
	temp_dir &operator=(const temp_dir &) = delete;
};

// Writes bytes as the whole content of the file at path.
inline void write_file(const std::string &path, const std::string &bytes)
{
	std::FILE *f = std::fopen(path.c_str(), "wb");
	ASSERT_NE(f, nullptr) << path;
	ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
	ASSERT_EQ(std::fclose(f), 0);
}

// The bytes of a file; empty when it cannot be read.
inline std::string read_file(const std::string &path)
{
	std::ifstream in(path, std::ios::binary);
	std::ostringstream bytes;
	bytes << in.rdbuf();
	return bytes.str();
}

// The names in a folder.
inline std::set<std::string> folder_names(const std::string &dir)
{
	std::set<std::string> names;
	for (const auto &entry : std::filesystem::directory_iterator(dir))
		names.insert(entry.path().filename().string());
	return names;
}

// The records of urec_list, head first.
inline std::vector<urec *> list_records()
{
	std::vector<urec *> records;
	for (urec *r = urec_list; r; r = r->next)
		records.push_back(r);
	return records;
}

// Starts and ends each case with an empty record list and no running boot.
struct records_fixture : ::testing::Test {
	void SetUp() override
	{
		corvane_forget_records();
		u_current = nullptr;
	}
	void TearDown() override
	{
		corvane_forget_records();
		u_current = nullptr;
	}
};

// A records_fixture whose case has a store of its own, in a folder of its
// own, named by CORVANE_RECORDS.
struct store_fixture : records_fixture {
	temp_dir dir;
	std::string store = dir.path + "/records";

	void SetUp() override
	{
		records_fixture::SetUp();
		setenv("CORVANE_RECORDS", store.c_str(), 1);
	}
	void TearDown() override
	{
		unsetenv("CORVANE_RECORDS");
		records_fixture::TearDown();
	}
};

} // namespace corvane_test

#endif // CORVANE_TEST_SUPPORT_H
