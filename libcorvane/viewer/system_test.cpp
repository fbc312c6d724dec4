// system_test.cpp - what the library reads of the running system.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <sys/utsname.h>

#include <gtest/gtest.h>

#include "corvane_store.h"

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

TEST(system, kernel_boot_time_is_btime)
{
	time_t booted = read_kernel_boot_time();
	EXPECT_GT(booted, 0);
	EXPECT_LE(booted, std::time(nullptr));
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
	EXPECT_EQ(static_cast<long long>(booted), btime);
#endif
}

TEST(system, boot_id_is_the_kernels)
{
#ifdef __linux__
	std::string id;
	if (std::FILE *f = std::fopen("/proc/sys/kernel/random/boot_id", "r")) {
		char line[128] = {};
		if (std::fgets(line, sizeof line, f))
			id.assign(line, std::strcspn(line, "\n"));
		std::fclose(f);
	}
	EXPECT_EQ(id.size(), 36u);
	EXPECT_EQ(std::string(read_boot_id()), id);
	EXPECT_EQ(read_boot_id(), read_boot_id()); // the library's own storage
#else
	EXPECT_STREQ(read_boot_id(), "");
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
