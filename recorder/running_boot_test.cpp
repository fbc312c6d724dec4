// running_boot_test.cpp - the running boot's record: added once, its uptime
// only ever raised.
#include <string>

#include <gtest/gtest.h>

#include "corvane.h"
#include "internal.h"
#include "recorder/running_boot.h"
#include "test_support.h"

namespace
{

struct running_boot_test : corvane_test::records_fixture {
};

TEST_F(running_boot_test, adds_the_running_boot_when_the_store_lacks_it)
{
	urec *older = add_urec(500, 1000, "older");
	urec *current = record_running_boot(5000, 60, "Linux 6.1.0-test");
	ASSERT_NE(current, nullptr);
	EXPECT_EQ(u_current, current);
	EXPECT_NE(current, older);
	EXPECT_EQ(current->uptime, 60);
	EXPECT_EQ(current->boot_time, 5000);
	EXPECT_STREQ(current->sysinfo, "Linux 6.1.0-test");
	EXPECT_EQ(older->uptime, 500);
}

TEST_F(running_boot_test, raises_the_stored_uptime_and_never_lowers_it)
{
	struct {
		const char *name;
		int64_t stored;
		int64_t now;
		int64_t expected;
	} const cases[] = {
	    {"grown", 100, 400, 400},
	    {"equal", 400, 400, 400},
	    {"smaller (a clock read early)", 400, 100, 400},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		add_urec(7, 1000, "other boot");
		urec *stored = add_urec(c.stored, 5000, "stored text");
		urec *current = record_running_boot(5000, c.now, "Linux 6.1.0-test");
		EXPECT_EQ(current, stored) << c.name;
		EXPECT_EQ(u_current, stored) << c.name;
		EXPECT_EQ(stored->uptime, c.expected) << c.name;
		EXPECT_STREQ(stored->sysinfo, "stored text") << c.name;
		int count = 0;
		for (urec *r = urec_list; r; r = r->next)
			count++;
		EXPECT_EQ(count, 2) << c.name;
	}
}

} // namespace
