#include "config/web_settings.h"

#include <string>

#include <gtest/gtest.h>

#include "driver/settings.h"
#include "tests/scratch_dir.h"

namespace
{

struct web_case {
	const char *content;
	int32_t layout;
	int32_t max_entries;
	int32_t show_downtime;
};

// Reads the settings file with the given content over the defaults, or
// over the downtime view switched on.
void check(const web_case &c, int32_t downtime_before)
{
	scratch_dir dir;
	enter_scratch_dir(dir);
	write_file("etc/vellipo-cgi/vellipo.conf", c.content);
	run_settings.layout = layout_pre;
	run_settings.max_entries = 10;
	run_settings.show_downtime = downtime_before;
	load_web_settings();
	EXPECT_EQ(run_settings.layout, c.layout) << '"' << c.content << '"';
	EXPECT_EQ(run_settings.max_entries, c.max_entries) << '"' << c.content << '"';
	EXPECT_EQ(run_settings.show_downtime, c.show_downtime) << '"' << c.content << '"';
	leave_scratch_dir(dir);
}

TEST(WebSettings, KeysAndValuesAtTheirFixedPlaces)
{
	const web_case cases[] = {
	    {"LAYOUT=table\nSHOW_MAX=20\nTYPE=downtime\n", 3, 20, 1},
	    {"LAYOUT=tables\n", 3, 10, 0},
	    {"LAYOUT=listing\n", 2, 10, 0},
	    {"LAYOUT=ol\n", 1, 10, 0},
	    {"LAYOUT=list\nLAYOUT=x\n", 1, 10, 0},
	    {"LAYOUT:table\n", 3, 10, 0},
	    {"LAYOUT = table\n", 1, 10, 0},
	    {"LAYOUT\n", 1, 10, 0},
	    {"layout=table\n", 1, 10, 0},
	    {"SHOW_MAX=0\n", 1, 0, 0},
	    {"SHOW_MAX=abc\n", 1, 0, 0},
	    {"SHOW_MAX = 20\n", 1, 0, 0},
	    {"SHOW_MAX\n", 1, 0, 0},
	    {"SHOW_MAX=  -3x\n", 1, -3, 0},
	    {"SHOW_MAX=99999999999999\n", 1, INT32_MAX, 0},
	    {"SHOW_MAX=5\nSHOW_MAX=7\n", 1, 7, 0},
	    {"SHOW_MAXIMUM\n", 1, 0, 0},
	    {"TYPE=downtime\n", 1, 10, 1},
	    {"TYPESdowntime\n", 1, 10, 1},
	    {"TYPES=downtime\n", 1, 10, 0},
	    {"TYPE=down\n", 1, 10, 0},
	    {"TYPE = downtime\n", 1, 10, 0},
	    {"# LAYOUT=table\n\n  SHOW_MAX=3\n", 1, 10, 0},
	};
	for (const auto &c : cases)
		check(c, 0);
}

TEST(WebSettings, SystemSwitchesTheDowntimeViewOff)
{
	check({"TYPE=systemd\n", 1, 10, 0}, 1);
	check({"TYPE=down\n", 1, 10, 1}, 1);
}

// A last line without a line end, and a line of any length, are examined
// whole, like every other line.
TEST(WebSettings, LastLineWithoutLineEndAndLongLines)
{
	check({"LAYOUT=table", 3, 10, 0}, 0);
	check({"SHOW_MAX=42", 1, 42, 0}, 0);
	check({"SHOW_MAX", 1, 0, 0}, 0);
	check({"TYPE=downtime", 1, 10, 1}, 0);

	// A long comment holding a key past 255 characters is one line.
	std::string comment = "#" + std::string(300, 'x') + "LAYOUT=table\n";
	check({comment.c_str(), 1, 10, 0}, 0);
	std::string blanks = "SHOW_MAX=" + std::string(5000, ' ') + "25\n";
	check({blanks.c_str(), 1, 25, 0}, 0);
	std::string trailing = "LAYOUT=list" + std::string(5000, 'y') + "\nSHOW_MAX=4\n";
	check({trailing.c_str(), 2, 4, 0}, 0);
}

TEST(WebSettings, MissingFileKeepsTheDefaults)
{
	scratch_dir dir;
	enter_scratch_dir(dir);
	run_settings.layout = layout_pre;
	run_settings.max_entries = 10;
	run_settings.show_downtime = 0;
	load_web_settings();
	EXPECT_EQ(run_settings.layout, layout_pre);
	EXPECT_EQ(run_settings.max_entries, 10);
	EXPECT_EQ(run_settings.show_downtime, 0);
	leave_scratch_dir(dir);
}

} // namespace
