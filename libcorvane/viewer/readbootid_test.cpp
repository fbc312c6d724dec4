// readbootid_test.cpp - the running boot's boot time, as the boot mark
// beside the store gives it.
#include <cstdio>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

// readbootid keeps its first answer for the process, so one test asks it.
struct readbootid_test : corvane_test::store_fixture {
};

TEST_F(readbootid_test, gives_the_running_boot_the_boot_time_it_is_stored_under)
{
	if (!*read_boot_id())
		GTEST_SKIP() << "this system keeps no boot id";
	boot_mark mark = {};
	std::snprintf(mark.id, sizeof mark.id, "%s", read_boot_id());
	mark.boot_time = read_kernel_boot_time() - 3600;
	ASSERT_EQ(save_boot_mark(&mark), 0);
	EXPECT_EQ(readbootid(), mark.boot_time);
	EXPECT_EQ(readbootid(), mark.boot_time);
}

} // namespace
