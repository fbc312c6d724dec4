// import_test.cpp - which boots of the login accounting file the store gains.
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "internal.h"
#include "recorder/import.h"

namespace
{

// uptime, boot time, text
using values = std::tuple<int64_t, int64_t, std::string>;

// The records of urec_list by boot time.
std::vector<values> list_values()
{
	std::vector<values> out;
	for (urec *r = urec_list; r; r = r->next)
		out.emplace_back(r->uptime, static_cast<int64_t>(r->boot_time), r->sysinfo);
	std::sort(out.begin(), out.end(),
	          [](const values &a, const values &b) { return std::get<1>(a) < std::get<1>(b); });
	return out;
}

struct import_test : ::testing::Test {
	void SetUp() override
	{
		corvane_forget_records();
	}
	void TearDown() override
	{
		corvane_forget_records();
	}
};

TEST_F(import_test, adds_the_boots_that_no_stored_boot_holds)
{
	struct {
		const char *name;
		std::vector<values> stored;
		std::vector<past_boot> boots;
		std::vector<values> expected_added;
		import_counts expected;
	} const cases[] = {
	    {"a boot the store lacks",
	     {{50000, 100000, "Linux running"}},
	     {{1000, 3000, true, "6.1.0-28-amd64"}},
	     {{3000, 1000, "Linux 6.1.0-28-amd64"}},
	     {1, 0, 0}},
	    {"no release in the boot record",
	     {},
	     {{1000, 3000, true, ""}},
	     {{3000, 1000, "Linux"}},
	     {1, 0, 0}},
	    {"stored, started just before its boot record",
	     {{10, 1000 - boot_record_delay, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored, started just after its boot record (the clock set back)",
	     {{10, 1000 + boot_record_delay, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored, up at the moment of the boot record",
	     {{600, 500, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored boots ended before it or started after it",
	     {{399, 600, "ended"}, {10, 1000 + boot_record_delay + 1, "later"}},
	     {{1000, 50, true, "a"}},
	     {{50, 1000, "Linux a"}},
	     {1, 0, 0}},
	    {"the running boot: no record after it, stored by the recorder",
	     {{50000, 9990, "Linux running"}},
	     {{1000, 2000, true, "a"}, {10000, 0, false, "b"}},
	     {{2000, 1000, "Linux a"}},
	     {1, 1, 0}},
	    {"a crash: the boot after it was stored, a little before its record",
	     {{7000, 1990, "Linux next"}},
	     {{1000, 1000, true, "a"}, {2000, 6000, true, "b"}},
	     {{1000, 1000, "Linux a"}},
	     {1, 1, 0}},
	    {"not bounded and not stored", {}, {{1000, 0, false, "a"}}, {}, {0, 0, 1}},
	    {"times the store cannot hold",
	     {},
	     {{-100, 150, true, "a"}, {253370764000, 800, true, "b"}},
	     {},
	     {0, 0, 2}},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		for (const values &v : c.stored)
			add_urec(std::get<0>(v), static_cast<time_t>(std::get<1>(v)),
			         std::get<2>(v).c_str());
		import_counts counts = import_boots(c.boots, "Linux");
		EXPECT_EQ(counts.imported, c.expected.imported) << c.name;
		EXPECT_EQ(counts.known, c.expected.known) << c.name;
		EXPECT_EQ(counts.skipped, c.expected.skipped) << c.name;
		std::vector<values> expected = c.stored;
		expected.insert(expected.end(), c.expected_added.begin(), c.expected_added.end());
		std::sort(expected.begin(), expected.end(), [](const values &a, const values &b) {
			return std::get<1>(a) < std::get<1>(b);
		});
		EXPECT_EQ(list_values(), expected) << c.name;
	}
}

TEST_F(import_test, a_second_import_adds_nothing)
{
	const std::vector<past_boot> boots = {
	    {1000, 3000, true, "a"}, {5000, 10, true, "b"}, {6000, 0, false, "c"}};
	import_counts first = import_boots(boots, "Linux");
	EXPECT_EQ(first.imported, 2);
	EXPECT_EQ(first.skipped, 1);
	std::vector<values> after_first = list_values();
	import_counts second = import_boots(boots, "Linux");
	EXPECT_EQ(second.imported, 0);
	EXPECT_EQ(second.known, 2);
	EXPECT_EQ(second.skipped, 1);
	EXPECT_EQ(list_values(), after_first);
}

} // namespace
