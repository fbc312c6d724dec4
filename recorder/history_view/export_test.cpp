// export_test.cpp - the rows of a small history cut to ranges, and their
// exact bytes as CSV and JSON Lines.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history_view/export.h"
#include "recorder/history_view/test_history.h"

namespace
{

using history = test_history;

// Three ended boots, listed newest first, and the running one.
struct fixture {
	history h{{1793520000, 7200, "Linux \"6.1\", x"},
	          {1793500000, 3600, "Linux 6.1"},
	          {1793490000, 1000, "Linux 6.0"},
	          {1793530000, 500, "Linux 6.2"}};
	boot_ends ends;
	fixture()
	{
		ends.ends[1793490000] = boot_end::clean;
		ends.ends[1793500000] = boot_end::unclean;
	}
	std::vector<boot_row> rows(const time_range &range = {})
	{
		return boot_rows(&h.recs[0], &h.recs[3], ends, "5b4c-id", range);
	}
};

TEST(export, csv_whole)
{
	fixture f;
	EXPECT_EQ(export_csv(f.rows()),
	          "boot_id,start,start_utc,end,end_utc,uptime,downtime,ended,system,source,"
	          "suspended\r\n"
	          ",1793490000,2026-10-31T23:40:00Z,1793491000,2026-10-31T23:56:40Z,1000,0,"
	          "clean,Linux 6.0,,\r\n"
	          ",1793500000,2026-11-01T02:26:40Z,1793503600,2026-11-01T03:26:40Z,3600,9000,"
	          "unclean,Linux 6.1,,\r\n"
	          ",1793520000,2026-11-01T08:00:00Z,1793527200,2026-11-01T10:00:00Z,7200,16400,"
	          "unknown,\"Linux \"\"6.1\"\", x\",,\r\n"
	          "5b4c-id,1793530000,2026-11-01T10:46:40Z,1793530500,2026-11-01T10:55:00Z,500,"
	          "2800,running,Linux 6.2,recorder,\r\n");
}

TEST(export, json_lines_whole)
{
	fixture f;
	std::vector<boot_row> rows = f.rows();
	rows.erase(rows.begin() + 1, rows.begin() + 3);
	EXPECT_EQ(export_json_lines(rows),
	          "{\"boot_id\":null,\"start\":1793490000,\"start_utc\":\"2026-10-31T23:40:00Z\","
	          "\"end\":1793491000,\"end_utc\":\"2026-10-31T23:56:40Z\",\"uptime\":1000,"
	          "\"downtime\":0,\"ended\":\"clean\",\"system\":\"Linux 6.0\",\"source\":null,"
	          "\"suspended\":null}\n"
	          "{\"boot_id\":\"5b4c-id\",\"start\":1793530000,\"start_utc\":"
	          "\"2026-11-01T10:46:40Z\",\"end\":1793530500,\"end_utc\":"
	          "\"2026-11-01T10:55:00Z\",\"uptime\":500,\"downtime\":2800,\"ended\":"
	          "\"running\",\"system\":\"Linux 6.2\",\"source\":\"recorder\","
	          "\"suspended\":null}\n");
	EXPECT_EQ(export_json_lines({}), "");
}

TEST(export, rows_cut_to_a_range)
{
	fixture f;
	struct {
		time_range range;
		// start, end, downtime of each row
		std::vector<std::tuple<int64_t, int64_t, int64_t>> want;
	} const cases[] = {
	    // From inside the second boot to inside the third.
	    {{1793503000, 1793521000},
	     {{1793503000, 1793503600, 0}, {1793520000, 1793521000, 16400}}},
	    // From a gap: the downtime counts from the range's start.
	    {{1793510000, INT64_MAX},
	     {{1793520000, 1793527200, 10000}, {1793530000, 1793530500, 2800}}},
	    // A boot that ends where the range starts is not in it; one that
	    // starts where it ends is not either.
	    {{1793491000, 1793500000}, {}},
	    {{0, 1793490001}, {{1793490000, 1793490001, 0}}},
	};
	for (const auto &c : cases) {
		std::vector<boot_row> rows = f.rows(c.range);
		ASSERT_EQ(rows.size(), c.want.size()) << c.range.since;
		for (std::size_t i = 0; i < rows.size(); i++) {
			EXPECT_EQ(rows[i].start, std::get<0>(c.want[i]))
			    << c.range.since << " " << i;
			EXPECT_EQ(rows[i].end, std::get<1>(c.want[i])) << c.range.since << " " << i;
			EXPECT_EQ(rows[i].downtime, std::get<2>(c.want[i]))
			    << c.range.since << " " << i;
		}
	}
}

TEST(export, json_strings_escaped)
{
	struct {
		const char *text;
		const char *json;
	} const cases[] = {
	    {"plain", "\"plain\""},
	    {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
	    {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
	    {"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
	    {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
	     "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
	    // Not UTF-8: a Latin-1 byte, a lone continuation byte, a sequence cut
	    // short (one U+FFFD for its valid start), an overlong form, a
	    // surrogate, beyond U+10FFFF, a sequence cut by the end.
	    {"caf\xe9!", "\"caf\xef\xbf\xbd!\""},
	    {"\x80", "\"\xef\xbf\xbd\""},
	    {"\xe2\x82x", "\"\xef\xbf\xbdx\""},
	    {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
	    {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
	    {"\xf4\x90\x80\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
	    {"\xf0\x9f\x98", "\"\xef\xbf\xbd\""},
	};
	for (const auto &c : cases) {
		std::string out;
		append_json_string(out, c.text);
		EXPECT_EQ(out, c.json) << c.text;
	}
}

} // namespace
