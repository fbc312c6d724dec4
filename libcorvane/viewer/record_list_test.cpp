// records_test.cpp - adding records to the list.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

// The running boot's record: the program defines it; here the tests do.
struct urec *u_current;

namespace
{

using corvane_test::list_records;
using records_test = corvane_test::records_fixture;

TEST_F(records_test, add_urec_links_a_zeroed_record_at_the_head)
{
	EXPECT_EQ(urec_list, nullptr);
	urec *first = add_urec(100, 1000, "Linux 6.1.0");
	urec *second = add_urec(-5, 0, "FreeBSD 14.0");
	ASSERT_NE(first, nullptr);
	ASSERT_NE(second, nullptr);
	EXPECT_EQ(list_records(), (std::vector<urec *>{second, first}));
	EXPECT_EQ(first->uptime, 100);
	EXPECT_EQ(first->boot_time, 1000);
	EXPECT_EQ(first->downtime, 0);
	EXPECT_STREQ(first->sysinfo, "Linux 6.1.0");
	EXPECT_EQ(second->uptime, -5);
	EXPECT_STREQ(second->sysinfo, "FreeBSD 14.0");
	// The bytes past the text are zero, not left over.
	for (std::size_t i = std::strlen(first->sysinfo); i <= SYSMAX; i++)
		EXPECT_EQ(first->sysinfo[i], '\0') << i;
}

TEST_F(records_test, add_urec_copies_the_text_cut_to_sysmax)
{
	struct {
		const char *name;
		std::string text; // empty with null set gives NULL
		bool null;
		std::string stored;
	} const cases[] = {
	    {"null", "", true, ""},
	    {"empty", "", false, ""},
	    {"exactly SYSMAX", std::string(SYSMAX, 'a'), false, std::string(SYSMAX, 'a')},
	    {"longer", std::string(SYSMAX, 'b') + "cut", false, std::string(SYSMAX, 'b')},
	};
	for (const auto &c : cases) {
		std::string text = c.text;
		urec *rec = add_urec(1, 2, c.null ? nullptr : text.c_str());
		ASSERT_NE(rec, nullptr) << c.name;
		text.assign(text.size(), 'z'); // the record keeps its own copy
		EXPECT_EQ(rec->sysinfo, c.stored) << c.name;
	}
}

} // namespace
