#include "report/report.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane.h"
#include "driver/settings.h"
#include "internal.h"

extern "C" time_t fixed_now;

namespace
{

// Runs one report pass with standard output sent to a file, and returns
// what it printed.
std::string report_text()
{
	std::fflush(stdout);
	FILE *file = std::tmpfile();
	EXPECT_NE(file, nullptr);
	int saved = dup(1);
	dup2(fileno(file), 1);
	render_report(0);
	std::fflush(stdout);
	dup2(saved, 1);
	close(saved);
	std::string text;
	std::rewind(file);
	for (int c; (c = std::getc(file)) != EOF;)
		text += static_cast<char>(c);
	std::fclose(file);
	return text;
}

// A list made by hand, with the downtimes the case wants, as no store
// could give them.
struct report_test : ::testing::Test {
	void SetUp() override
	{
		setenv("TZ", "UTC", 1);
		tzset();
		corvane_forget_records();
		standings = {};
		run_settings.no_ansi = 1;
		fixed_now = 1700000000;
	}
	void TearDown() override
	{
		corvane_forget_records();
		u_current = nullptr;
		run_settings.no_ansi = 0;
	}

	static urec *add(int64_t uptime, time_t boot_time, const char *text, int64_t downtime)
	{
		urec *rec = add_urec(uptime, boot_time, text);
		rec->downtime = downtime;
		return rec;
	}
};

// The store reader gives the oldest boot no downtime, so only a list made
// by hand shows that the totals then count from the pass's time.
TEST_F(report_test, TotalsCountFromNowWhenEveryBootFollowedDowntime)
{
	add(100, 1000000, "a", 50);
	u_current = add(30, 2000000, "cur", 10);
	EXPECT_EQ(
	    report_text(),
	    "     #               Uptime | System                                     Boot up\n"
	    "----------------------------+---------------------------------------------------\n"
	    "     1     0 days, 00:01:40 | a                         Mon Jan 12 13:46:40 1970\n"
	    "->   2     0 days, 00:00:30 | cur                       Sat Jan 24 03:33:20 1970\n"
	    "----------------------------+---------------------------------------------------\n"
	    "no1 in     0 days, 00:01:11 | at                        Tue Nov 14 22:14:30 2023\n"
	    "    up     0 days, 00:02:10 | since                     Tue Nov 14 22:13:20 2023\n"
	    "  down     0 days, 00:01:00 | since                     Tue Nov 14 22:13:20 2023\n"
	    "   %up               68.421 | since                     Tue Nov 14 22:13:20 2023\n");
}

// Values no sane store holds still make a report: the sums wrap instead of
// overflowing (the sanitizer build stops on undefined behaviour), and dates
// beyond the calendar print a placeholder of the same width.
TEST_F(report_test, AbsurdValuesPrintWithoutUndefinedBehaviour)
{
	add(INT64_MAX, INT64_MAX, "huge", INT64_MAX);
	add(INT64_MIN, INT64_MIN, "negative", INT64_MIN);
	u_current = add(INT64_MAX - 1, 0, "cur", 0);
	fixed_now = INT64_MAX;
	EXPECT_EQ(
	    report_text(),
	    "     #               Uptime | System                                     Boot up\n"
	    "----------------------------+---------------------------------------------------\n"
	    "     1   292471208677 years | huge                           (date out of range)\n"
	    "->   2   292471208677 years | cur                       Thu Jan  1 00:00:00 1970\n"
	    "     3  -292471208677 years | negative                       (date out of range)\n"
	    "----------------------------+---------------------------------------------------\n"
	    "no1 in     0 days, 00:00:02 | at                             (date out of range)\n"
	    "    up   292471208677 years | since                     Thu Jan  1 00:00:00 1970\n"
	    "  down    -0 days, 00:00:01 | since                     Thu Jan  1 00:00:00 1970\n"
	    "   %up              100.000 | since                     Thu Jan  1 00:00:00 1970\n");
}

} // namespace
