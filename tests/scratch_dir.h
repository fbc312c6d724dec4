// A temporary working folder for a test that reads files below ".".
#ifndef VELLIPO_SCRATCH_DIR_H
#define VELLIPO_SCRATCH_DIR_H

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

// Makes a fresh folder, enters it, and writes files into it by their path
// below it; leaving it returns to the folder the test started in.
struct scratch_dir {
	std::string path;
	char previous[PATH_MAX];
};

inline void enter_scratch_dir(scratch_dir &dir)
{
	const char *tmp = std::getenv("TMPDIR");
	std::string pattern =
	    std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vellipo-XXXXXX";
	ASSERT_NE(mkdtemp(pattern.data()), nullptr);
	dir.path = pattern;
	ASSERT_NE(getcwd(dir.previous, sizeof dir.previous), nullptr);
	ASSERT_EQ(chdir(dir.path.c_str()), 0);
}

inline void leave_scratch_dir(const scratch_dir &dir)
{
	ASSERT_EQ(chdir(dir.previous), 0);
	std::string command = "rm -rf '" + dir.path + "'";
	ASSERT_EQ(std::system(command.c_str()), 0);
}

// Writes content to a file below the folder, making its folders.
inline void write_file(const std::string &relative, const std::string &content)
{
	for (size_t slash = relative.find('/'); slash != std::string::npos;
	     slash = relative.find('/', slash + 1))
		mkdir(relative.substr(0, slash).c_str(), 0755);
	FILE *file = std::fopen(relative.c_str(), "wb");
	ASSERT_NE(file, nullptr);
	ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file), content.size());
	ASSERT_EQ(std::fclose(file), 0);
}

#endif
