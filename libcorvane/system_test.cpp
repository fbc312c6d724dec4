// system_test.cpp - what the library reads of the running system.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <sys/utsname.h>

#include <gtest/gtest.h>

#include "corvane.h"

namespace
{

TEST(system, uptime_counts_from_the_boot)
{
	int64_t first = read_uptime();
	EXPECT_GT(first, 0);
	EXPECT_LE(first, read_uptime());
#ifdef __linux__
	double proc_uptime = 0;
	if (std::FILE *f = std::fopen("/proc/uptime", "r")) {
		EXPECT_EQ(std::fscanf(f, "%lf", &proc_uptime), 1);
		std::fclose(f);
		EXPECT_NEAR(static_cast<double>(read_uptime()), proc_uptime, 2.0);
	}
#endif
}

TEST(system, boot_id_is_the_kernels_boot_time_on_every_call)
{
	time_t id = readbootid();
	EXPECT_GT(id, 0);
	EXPECT_LE(id, std::time(nullptr));
	EXPECT_EQ(readbootid(), id);
#ifdef __linux__
	long long btime = 0;
	if (std::FILE *f = std::fopen("/proc/stat", "r")) {
		char line[256];
		while (std::fgets(line, sizeof line, f)) {
			if (std::sscanf(line, "btime %lld", &btime) == 1)
				break;
		}
		std::fclose(f);
	}
	EXPECT_EQ(static_cast<long long>(id), btime);
#endif
}

TEST(system, sysinfo_is_the_system_name_and_release)
{
	struct utsname names;
	ASSERT_EQ(uname(&names), 0);
	EXPECT_EQ(std::string(read_sysinfo()), std::string(names.sysname) + " " + names.release);
	EXPECT_EQ(read_sysinfo(), read_sysinfo()); // the library's own storage
}

} // namespace
