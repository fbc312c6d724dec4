// cat_test.cpp - copying files to standard output.
#include <cstdio>
#include <random>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::write_file;

struct cat_test : ::testing::Test {
	corvane_test::temp_dir dir;

	// What fn writes to standard output, caught in a file of dir.
	template <typename F> std::string output_of(F fn)
	{
		std::string caught = dir.path + "/stdout";
		std::fflush(stdout);
		int saved = dup(STDOUT_FILENO);
		int fd = open(caught.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
		EXPECT_GE(saved, 0);
		EXPECT_GE(fd, 0);
		dup2(fd, STDOUT_FILENO);
		close(fd);
		fn();
		std::fflush(stdout);
		dup2(saved, STDOUT_FILENO);
		close(saved);

		std::string bytes;
		if (std::FILE *f = std::fopen(caught.c_str(), "rb")) {
			char buf[4096];
			std::size_t got;
			while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
				bytes.append(buf, got);
			std::fclose(f);
		}
		return bytes;
	}
};

TEST_F(cat_test, copies_every_byte_in_order_with_printf)
{
	std::string content;
	for (int i = 0; i < 256; i++)
		content += static_cast<char>(i);
	content += std::string(10, '\0');
	std::mt19937 rng(5);
	for (int i = 0; i < 100000; i++) // longer than any buffer
		content += static_cast<char>(rng());
	std::string file = dir.path + "/binary";
	write_file(file, content);

	std::string out = output_of([&] {
		std::printf("before|");
		cat(file.c_str());
		std::printf("|after");
	});
	EXPECT_TRUE(out == "before|" + content + "|after") << "got " << out.size() << " bytes";
}

TEST_F(cat_test, prints_nothing_for_what_it_cannot_read)
{
	std::string empty = dir.path + "/empty";
	write_file(empty, "");
	std::string missing = dir.path + "/missing";
	EXPECT_EQ(output_of([&] { cat(missing.c_str()); }), "");
	EXPECT_EQ(output_of([&] { cat(dir.path.c_str()); }), ""); // a folder
	EXPECT_EQ(output_of([&] { cat(empty.c_str()); }), "");
	EXPECT_EQ(output_of([&] { cat(nullptr); }), "");
}

} // namespace
