// import_boots_test.cpp - which boots of the login accounting file the store gains.
#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "internal.h"
#include "recorder/history/history_sources.h"
#include "recorder/history/import_boots.h"

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
	     {{10, 1000 - same_boot_window, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored, started just after its boot record (the clock set back)",
	     {{10, 1000 + same_boot_window, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored, up at the moment of the boot record",
	     {{600, 500, "stored"}},
	     {{1000, 3000, true, "a"}},
	     {},
	     {0, 1, 0}},
	    {"stored boots ended before it or started after it",
	     {{399, 600, "ended"}, {10, 1000 + same_boot_window + 1, "later"}},
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
	     {{1000, 980, true, "a"}, {2000, 6000, true, "b"}},
	     {{980, 1000, "Linux a"}},
	     {1, 1, 0}},
	    {"a boot that would run into a stored one, not the same: skipped",
	     {{7000, 1990, "Linux next"}},
	     {{1000, 1000, true, "a"}, {2000, 6000, true, "b"}},
	     {},
	     {0, 1, 1}},
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

// A boot as the cases write it: start, uptime, boot id.
past_boot boot_of(int64_t start, int64_t uptime, const std::string &id = "")
{
	past_boot b = {start, uptime, true, ""};
	b.boot_id = id;
	return b;
}

// Whether two records of urec_list overlap: one started while the other
// was up.
bool any_overlap()
{
	std::vector<values> v = list_values();
	for (std::size_t i = 1; i < v.size(); i++)
		for (std::size_t j = 0; j < i; j++)
			if (std::get<1>(v[j]) + std::get<0>(v[j]) >= std::get<1>(v[i]))
				return true;
	return false;
}

// Two boots never overlap, however the boots come: in one import, or each
// in an import of its own in any order (the import checks a boot against
// the boots it added before it, as against the stored ones).
TEST_F(import_test, never_imports_overlapping_boots_whatever_the_grouping)
{
	struct {
		const char *name;
		std::vector<values> stored;
		std::vector<past_boot> boots;
		import_counts expected; // of the one import
	} const cases[] = {
	    {"one source, a clock set back 100 s over a reboot",
	     {},
	     {boot_of(0, 300), boot_of(200, 300)},
	     {1, 1, 0}},
	    {"two boot ids, the same clock set back: the later skipped",
	     {},
	     {boot_of(0, 300, "a"), boot_of(200, 300, "b")},
	     {1, 0, 1}},
	    {"a boot that runs into a stored one",
	     {{300, 200, "stored"}},
	     {boot_of(0, 300)},
	     {0, 0, 1}},
	    {"a boot within another", {}, {boot_of(0, 300), boot_of(150, 50)}, {1, 1, 0}},
	    {"three boots, each overlapping the next, with ids",
	     {},
	     {boot_of(0, 200, "a"), boot_of(150, 200, "b"), boot_of(300, 200, "c")},
	     {2, 0, 1}},
	    {"boots of one id and without, and a stored one between",
	     {{50, 1000, "stored"}},
	     {boot_of(0, 990), boot_of(1040, 100, "x"), boot_of(1100, 500), boot_of(1500, 10, "y")},
	     {2, 2, 0}},
	};
	for (const auto &c : cases) {
		auto prepare = [&] {
			corvane_forget_records();
			for (const values &v : c.stored)
				add_urec(std::get<0>(v), static_cast<time_t>(std::get<1>(v)),
				         std::get<2>(v).c_str());
		};
		prepare();
		import_counts counts = import_boots(c.boots, "Linux");
		EXPECT_EQ(counts.imported, c.expected.imported) << c.name;
		EXPECT_EQ(counts.known, c.expected.known) << c.name;
		EXPECT_EQ(counts.skipped, c.expected.skipped) << c.name;
		EXPECT_FALSE(any_overlap()) << c.name;
		// Each boot in an import of its own, in every order.
		std::vector<std::size_t> order(c.boots.size());
		for (std::size_t i = 0; i < order.size(); i++)
			order[i] = i;
		do {
			prepare();
			int64_t total = 0;
			for (std::size_t i : order) {
				import_counts one = import_boots({c.boots[i]}, "Linux");
				total += one.imported + one.known + one.skipped;
			}
			EXPECT_EQ(total, static_cast<int64_t>(c.boots.size())) << c.name;
			EXPECT_FALSE(any_overlap()) << c.name;
		} while (std::next_permutation(order.begin(), order.end()));
	}
}

// Where both the stored boot and the imported one carry a boot id, the ids
// decide: the window of same_boot_window is for a boot without one.
TEST_F(import_test, boots_that_the_ids_tell_apart_stay_apart)
{
	// Seven boots of 90 seconds, 100 seconds apart: a reboot loop.
	std::vector<past_boot> loop;
	for (int i = 0; i < 7; i++)
		loop.push_back(
		    boot_of(1000 + 100 * i, 90, std::string(1, static_cast<char>('a' + i))));
	import_counts counts = import_boots(loop, "Linux");
	EXPECT_EQ(counts.imported, 7);
	EXPECT_EQ(list_values().size(), 7u);
	EXPECT_FALSE(any_overlap());
	// A second import adds nothing: the stored boots, without ids, are
	// matched by their starts.
	counts = import_boots(loop, "Linux");
	EXPECT_EQ(counts.imported, 0);
	EXPECT_EQ(counts.known, 7);

	// Without ids, the window makes boots less than two minutes apart one.
	corvane_forget_records();
	std::vector<past_boot> unnamed = loop;
	for (past_boot &b : unnamed)
		b.boot_id.clear();
	counts = import_boots(unnamed, "Linux");
	EXPECT_EQ(counts.imported, 4); // the boots at 1000, 1200, 1400 and 1600
	EXPECT_EQ(counts.known, 3);

	// The running boot's record carries its id: a boot of another id that
	// started a minute before it is another boot; one of its id is it.
	corvane_forget_records();
	u_current = add_urec(500, 2000, "Linux running");
	counts = import_boots({boot_of(1900, 50, "old"), boot_of(2001, 400, "now")}, "Linux",
	                      nullptr, nullptr, "now");
	EXPECT_EQ(counts.imported, 1);
	EXPECT_EQ(counts.known, 1);
	EXPECT_EQ(list_values(),
	          (std::vector<values>{{50, 1900, "Linux"}, {500, 2000, "Linux running"}}));
	// The kernel writes the id with dashes, the journal without.
	corvane_forget_records();
	u_current = add_urec(500, 2000, "Linux running");
	counts = import_boots({boot_of(2001, 400, "5b4c327382fc49bfac1d566b6b43b36a")}, "Linux",
	                      nullptr, nullptr, "5B4C3273-82fc-49bf-ac1d-566b6b43b36a");
	EXPECT_EQ(counts.known, 1);
	// Without the running boot's id, the window takes the first for it.
	corvane_forget_records();
	u_current = add_urec(500, 2000, "Linux running");
	counts = import_boots({boot_of(1900, 50, "old")}, "Linux");
	EXPECT_EQ(counts.known, 1);
	u_current = nullptr;
}

// The import never replaces an end that the ends file holds (a clean end
// that the shutdown run wrote), and notes the end of each boot it adds.
TEST_F(import_test, never_replaces_an_end_of_the_ends_file)
{
	struct {
		const char *name;
		std::map<int64_t, boot_end> before;
		boot_end imported_end;
		std::map<int64_t, boot_end> after;
		bool changed;
	} const cases[] = {
	    {"a clean end of the shutdown run stays",
	     {{1000, boot_end::clean}},
	     boot_end::unclean,
	     {{1000, boot_end::clean}},
	     false},
	    {"an unclean end stays",
	     {{1000, boot_end::unclean}},
	     boot_end::clean,
	     {{1000, boot_end::unclean}},
	     false},
	    {"a new end is noted",
	     {{5, boot_end::clean}},
	     boot_end::unclean,
	     {{5, boot_end::clean}, {1000, boot_end::unclean}},
	     true},
	    {"an unknown end is not", {}, boot_end::unknown, {}, false},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		boot_ends ends;
		ends.ends = c.before;
		bool changed = false;
		past_boot b = boot_of(1000, 100, "a");
		b.end = c.imported_end;
		import_counts counts = import_boots({b}, "Linux", &ends, &changed);
		EXPECT_EQ(counts.imported, 1) << c.name;
		EXPECT_EQ(ends.ends, c.after) << c.name;
		EXPECT_EQ(changed, c.changed) << c.name;
	}

	// Through the merge of the sources: a journal boot that the store
	// holds already, whose shutdown run noted its clean end, leaves it.
	corvane_forget_records();
	add_urec(3600, 1000, "Linux stored");
	boot_ends ends;
	ends.ends = {{1000, boot_end::clean}};
	bool changed = false;
	past_boot crashed = boot_of(1001, 3000, "a");
	crashed.end = boot_end::unclean;
	std::vector<history_read> reads = {
	    {history_kind::journal, "journal", history_status::read, {crashed}}};
	import_histories(reads, "Linux", &ends, &changed);
	EXPECT_EQ(reads[0].counts.known, 1);
	EXPECT_EQ(ends.ends, (std::map<int64_t, boot_end>{{1000, boot_end::clean}}));
	EXPECT_FALSE(changed);
}

// The summary counts a boot for the source that knows it longest, in one
// import whatever sources remember it.
TEST_F(import_test, counts_each_merged_boot_once_for_each_source)
{
	past_boot journal_boot = boot_of(1000, 500, "a");
	past_boot wtmp_boot = boot_of(1030, 600);
	past_boot overlapping = boot_of(1200, 100, "b"); // within the journal's boot a
	std::vector<history_read> reads = {
	    {history_kind::journal, "journal", history_status::read, {journal_boot, overlapping}},
	    {history_kind::wtmp, "wtmp", history_status::read, {wtmp_boot}}};
	import_histories(reads, "Linux");
	EXPECT_EQ(reads[0].counts.imported, 0);
	EXPECT_EQ(reads[0].counts.known, 1);
	EXPECT_EQ(reads[0].counts.skipped, 1);
	EXPECT_EQ(reads[1].counts.imported, 1);
	EXPECT_EQ(reads[1].counts.known, 0);
	EXPECT_EQ(list_values(), (std::vector<values>{{630, 1000, "Linux"}}));
}

} // namespace
