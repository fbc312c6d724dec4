#include "config/milestones.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane.h"
#include "internal.h"
#include "tests/scratch_dir.h"

namespace
{

using namespace std::string_literals;

struct registered {
	int64_t time;
	std::string description;
};

// Loads a configuration file and lists the milestones it registered, in
// order of time (the cases use distinct times).
std::vector<registered> load(const std::string &content)
{
	scratch_dir dir;
	enter_scratch_dir(dir);
	write_file("usr/local/etc/corvane.conf", content);
	corvane_forget_milestones();
	load_milestones();
	std::vector<registered> found;
	int64_t after = INT64_MIN;
	for (const milestone *m = find_next_milestone(after); m != nullptr;
	     m = find_next_milestone(after)) {
		found.push_back({m->time, m->description});
		after = m->time;
	}
	corvane_forget_milestones();
	leave_scratch_dir(dir);
	return found;
}

void expect(const std::vector<registered> &found, const std::vector<registered> &wanted,
            const std::string &content)
{
	ASSERT_EQ(found.size(), wanted.size()) << content;
	for (size_t i = 0; i < wanted.size(); i++) {
		EXPECT_EQ(found[i].time, wanted[i].time) << content;
		EXPECT_EQ(found[i].description, wanted[i].description) << content;
	}
}

TEST(Milestones, DefinitionsAndOtherLines)
{
	const struct {
		std::string content;
		std::vector<registered> wanted;
	} cases[] = {
	    {"MILESTONE 1 day:one day\nMILESTONE 2 days:two days\n",
	     {{86400, "one day"}, {172800, "two days"}}},
	    {"MILESTONES100 days:the letter S is the separator\n",
	     {{8640000, "the letter S is the separator"}}},
	    {"MILESTONE ::1h:leading colons are skipped\n", {{3600, "leading colons are skipped"}}},
	    {"MILESTONE 1h:a: description: with colons\n", {{3600, "a: description: with colons"}}},
	    {"MILESTONE 1h\n", {{3600, ""}}},
	    {"MILESTONE 1h:\n", {{3600, ""}}},
	    {"milestone 1h:case matters\n# MILESTONE 1h:comment\nLOG 3\n", {}},
	    {"MILESTONE\n", {}},
	    {"MILESTONE 1h:last line without a line end", {{3600, "last line without a line end"}}},
	    {"MILESTONE 2h", {{7200, ""}}},
	    // A NUL byte ends the text of its line.
	    {"MILESTONE 9d\0x:desc\nMILESTONE 1h:next\n"s, {{3600, "next"}, {777600, ""}}},
	    {"MILESTONE 3h:de\0sc\n"s, {{10800, "de"}}},
	    {"MILESTONE \0 4h:none\nMILESTONE 5h:five\n"s, {{18000, "five"}}},
	    // The separator is not looked at, a NUL byte too.
	    {"MILESTONE\0"
	     "6h:nul separator\nMILESTONE 7h:seven\n"s,
	     {{21600, "nul separator"}, {25200, "seven"}}},
	    {"MILESTONE ::\0"
	     "8h:none\n"s,
	     {}},
	};
	for (const auto &c : cases)
		expect(load(c.content), c.wanted, c.content);
}

// A long line is one line: what stands past its 255th character is no
// definition of its own, and a long description is cut by the library.
TEST(Milestones, LongLinesAreExaminedWhole)
{
	std::string comment = "#" + std::string(254, 'x') + "MILESTONE 1h:hidden\n";
	expect(load(comment + "MILESTONE 2h:seen\n"), {{7200, "seen"}}, comment);

	std::string description(1000, 'd');
	std::vector<registered> found = load("MILESTONE 3h:" + description + "\n");
	ASSERT_EQ(found.size(), 1U);
	EXPECT_EQ(found[0].time, 10800);
	EXPECT_EQ(found[0].description, description.substr(0, SYSMAX));

	std::string spaced = "MILESTONE " + std::string(600, ' ') + "4h:far\n";
	expect(load(spaced), {{14400, "far"}}, "spaced");
}

TEST(Milestones, MissingFileRegistersNothing)
{
	expect(load(""), {}, "empty");
	scratch_dir dir;
	enter_scratch_dir(dir);
	corvane_forget_milestones();
	load_milestones();
	EXPECT_EQ(find_next_milestone(INT64_MIN), nullptr);
	leave_scratch_dir(dir);
}

} // namespace
