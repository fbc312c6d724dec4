// journal_history_test.cpp - the boots read from journal files that
// systemd-journal-remote makes from entries in the journal export format.
#include <cstdio>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history/history_test_tools.h"
#include "recorder/history/journal_history.h"
#include "test_support.h"

namespace
{

// An entry of a boot: its wall clock and its time since the boot, in
// microseconds, and its other fields, one "NAME=value" a line.
struct entry {
	int64_t realtime;
	int64_t monotonic;
	std::string fields = "MESSAGE=up";
};

// A boot of the journal to write.
struct boot {
	std::string id;
	std::vector<entry> entries;
};

constexpr int64_t second = 1000000;
// logind's message of a shutdown it begins, and PID 1's of the shutdown
// target reached, as a reboot (systemctl reboot) or the host's halt of a
// container leaves them.
const std::string shutdown =
    "MESSAGE_ID=98268866d1d54a499c4e98921d93bc40\nMESSAGE=System is rebooting.\n_PID=420";
const std::string reached_shutdown =
    "MESSAGE_ID=39f53479d3a045ac8e11786248231fbf\nUNIT=shutdown.target\n_PID=1\n"
    "MESSAGE=Reached target shutdown.target - System Shutdown.";

std::string kernel(const std::string &message)
{
	return "_TRANSPORT=kernel\nMESSAGE=" + message;
}

struct journal_history_test : ::testing::Test {
	corvane_test::temp_dir dir;
	std::string tool = history_test::find_tool(
	    {"/usr/lib/systemd/systemd-journal-remote", "/lib/systemd/systemd-journal-remote"});
	std::string file = dir.path + "/system.journal";

	// Writes the boots' entries, in the order given, to the journal file.
	void write(const std::vector<boot> &boots)
	{
		std::string export_text;
		for (const boot &b : boots)
			for (const entry &e : b.entries)
				export_text +=
				    "__REALTIME_TIMESTAMP=" + std::to_string(e.realtime) +
				    "\n__MONOTONIC_TIMESTAMP=" + std::to_string(e.monotonic) +
				    "\n_BOOT_ID=" + b.id + "\n" + e.fields + "\n\n";
		history_test::run(tool + " -o " + file + " - 2>/dev/null", export_text);
	}

	std::vector<past_boot> read(const char *path, history_status expected)
	{
		std::vector<past_boot> boots;
		std::string err;
		EXPECT_EQ(read_journal_history(path, boots, &err), expected) << err;
		return boots;
	}
};

const std::string id_a = "0a1b2c3d4e5f60718293a4b5c6d7e8f9";
const std::string id_b = "1b2c3d4e5f60718293a4b5c6d7e8f90a";
const std::string id_c = "2c3d4e5f60718293a4b5c6d7e8f90a1b";
const std::string id_d = "3d4e5f60718293a4b5c6d7e8f90a1b2c";

TEST_F(journal_history_test, reads_each_boot_from_its_first_and_last_entries)
{
	REQUIRE_TOOL(tool, "systemd-journal-remote");
	const int64_t t = 1700000000 * second;
	const std::vector<boot> boots = {
	    // Shut down: the kernel's version line comes after another
	    // kernel message, and the start is half a second into a second.
	    {id_a,
	     {{t + 2 * second, 1500000, kernel("Command line: ro quiet")},
	      {t + 2 * second + 1, 1500001, kernel("Linux version 6.1.0-28-amd64 (gcc) #1 SMP")},
	      {t + 100 * second, 99500000},
	      {t + 3600 * second + 400000, 3600 * second, shutdown},
	      {t + 3601 * second, 3600 * second + 500000}}},
	    // A crash: no shutdown message, and a later boot follows.
	    {id_b, {{t + 7200 * second, 3 * second}, {t + 9000 * second, 1803 * second}}},
	    // The wall clock set back an hour during the boot: the uptime is
	    // its last entry's time since the boot.
	    {id_c,
	     {{t + 10000 * second, 1 * second, kernel("Linux version 6.1.0-29-amd64 #1")},
	      {t + 10000 * second + 7200 * second - 3600 * second, 7201 * second}}},
	    // The newest boot, which may still be up elsewhere.
	    {id_d, {{t + 20000 * second, 2 * second}}},
	};
	write(boots);
	std::vector<past_boot> expected = {
	    {1700000000, 3601, true, "6.1.0-28-amd64", id_a, boot_end::clean},
	    {1700007197, 1803, true, "", id_b, boot_end::unclean},
	    {1700009999, 7201, true, "6.1.0-29-amd64", id_c, boot_end::unclean},
	    {1700019998, 2, true, "", id_d, boot_end::unknown},
	};
	EXPECT_EQ(read(file.c_str(), history_status::read), expected);

	// The folder reads the same, and so does journalctl: the same boots in
	// the same order, each last entry where the uptime ends.
	EXPECT_EQ(read(dir.path.c_str(), history_status::read), expected);
	std::string listed =
	    history_test::run("journalctl --file=" + file + " --list-boots -o json");
	std::regex boot_json(
	    "\"boot_id\":\"([0-9a-f]+)\",\"first_entry\":[0-9]+,\"last_entry\":([0-9]+)");
	std::vector<std::pair<std::string, int64_t>> shown;
	for (std::sregex_iterator it(listed.begin(), listed.end(), boot_json), end; it != end; ++it)
		shown.emplace_back((*it)[1], std::stoll((*it)[2]) / second);
	ASSERT_EQ(shown.size(), expected.size()) << listed;
	for (std::size_t i = 0; i < shown.size(); i++) {
		EXPECT_EQ(shown[i].first, expected[i].boot_id);
		if (expected[i].boot_id != id_c) { // the clock set back
			EXPECT_EQ(shown[i].second, expected[i].boot_time + expected[i].uptime)
			    << shown[i].first;
		}
	}
}

TEST_F(journal_history_test, tells_a_missing_an_empty_and_an_unreadable_journal)
{
	std::vector<past_boot> none;
	EXPECT_EQ(read((dir.path + "/absent").c_str(), history_status::missing), none);
	EXPECT_EQ(read(dir.path.c_str(), history_status::empty), none);
	corvane_test::write_file(file, "not a journal\n");
	EXPECT_EQ(read(file.c_str(), history_status::unreadable), none);
}

// The release rule of every source (cut_release): the word after "Linux
// version ", cut at a control character or a byte of a non-ASCII letter,
// and counted.
TEST_F(journal_history_test, cuts_a_release_at_what_a_release_cannot_hold)
{
	REQUIRE_TOOL(tool, "systemd-journal-remote");
	struct {
		std::string message;
		std::string release;
		bool cut;
	} const cases[] = {
	    {"Linux version 6.1.0-28-amd64 (debian-kernel@lists.debian.org) #1 SMP",
	     "6.1.0-28-amd64", false},
	    {"Linux version 6.1.0-28-amd64", "6.1.0-28-amd64", false},
	    {"Linux version 6.1.0-28-amd64\x1b[0m #1", "6.1.0-28-amd64", true},
	    {"Linux version \x1b[31mevil #1", "", true},
	    {"Linux version 6.1.0-t\xc3\xa9st #1", "6.1.0-t", true},
	    {"Linux version 6.1.0\t#1", "6.1.0", true},
	    {"Linux version  #1", "", false},
	    {"Command line: ro", "", false},
	};
	for (const auto &c : cases) {
		std::remove(file.c_str());
		const int64_t t = 1700000000 * second;
		write({{id_a, {{t, 0, kernel(c.message)}, {t + 5 * second, 5 * second}}}});
		std::vector<past_boot> boots = read(file.c_str(), history_status::read);
		ASSERT_EQ(boots.size(), 1U) << c.message;
		EXPECT_EQ(boots[0].release, c.release) << c.message;
		EXPECT_EQ(boots[0].release_cut, c.cut) << c.message;
	}
}

// A boot ended cleanly when PID 1 reached the shutdown target (a shutdown
// that logind did not begin: the host halting a container, systemctl halt
// from a script) or when logind began it; a boot that has neither crashed
// when a later boot follows it.
TEST_F(journal_history_test, tells_a_clean_end_by_pid_1s_shutdown_target_or_loginds_message)
{
	REQUIRE_TOOL(tool, "systemd-journal-remote");
	const std::string ids[] = {
	    "00000000000000000000000000000001", "00000000000000000000000000000002",
	    "00000000000000000000000000000003", "00000000000000000000000000000004",
	    "00000000000000000000000000000005", "00000000000000000000000000000006",
	    "00000000000000000000000000000007", "00000000000000000000000000000008"};
	struct {
		const char *name;
		std::string fields; // of the boot's last entry but one
		boot_end expected;
	} const cases[] = {
	    {"a reboot through logind: both messages", shutdown + "\n\n" + reached_shutdown,
	     boot_end::clean},
	    {"the host's halt: PID 1's alone", reached_shutdown, boot_end::clean},
	    {"logind's alone", shutdown, boot_end::clean},
	    {"another target that PID 1 reached",
	     "MESSAGE_ID=39f53479d3a045ac8e11786248231fbf\nUNIT=multi-user.target\n_PID=1",
	     boot_end::unclean},
	    {"the shutdown target of another process (a user's manager)",
	     "MESSAGE_ID=39f53479d3a045ac8e11786248231fbf\nUNIT=shutdown.target\n_PID=1234",
	     boot_end::unclean},
	    {"the shutdown target named without the message id",
	     "MESSAGE=Reached target shutdown.target\nUNIT=shutdown.target\n_PID=1",
	     boot_end::unclean},
	    {"killed: no message", "MESSAGE=up", boot_end::unclean},
	};
	std::vector<boot> boots;
	const int64_t t = 1700000000 * second;
	std::size_t n = 0;
	for (const auto &c : cases) {
		int64_t start = t + static_cast<int64_t>(n) * 100 * second;
		// Entries of one boot separated by a blank line in the export
		// format; the case's fields may be two entries.
		std::vector<entry> entries = {{start, 1 * second}};
		std::string fields = c.fields;
		std::size_t gap;
		while ((gap = fields.find("\n\n")) != std::string::npos) {
			entries.push_back(
			    {start + 30 * second, 30 * second, fields.substr(0, gap)});
			fields = fields.substr(gap + 2);
		}
		entries.push_back({start + 30 * second, 30 * second, fields});
		entries.push_back({start + 31 * second, 31 * second});
		boots.push_back({ids[n], entries});
		n++;
	}
	// The newest boot, which may still be up: its end is not known.
	boots.push_back({ids[n], {{t + 5000 * second, 2 * second}}});
	write(boots);
	std::vector<past_boot> got = read(file.c_str(), history_status::read);
	ASSERT_EQ(got.size(), std::size(cases) + 1);
	for (std::size_t i = 0; i < std::size(cases); i++) {
		EXPECT_EQ(got[i].boot_id, ids[i]) << cases[i].name;
		EXPECT_EQ(got[i].end, cases[i].expected) << cases[i].name;
		EXPECT_EQ(got[i].uptime, 32)
		    << cases[i].name; // from a second before the first entry
	}
	EXPECT_EQ(got.back().end, boot_end::unknown);
}

// The journal's boots as the reader hands them to boots_of_journal: in
// order of their start, the running boot's end and the newest's unknown.
TEST(journal_boots, are_ordered_and_their_ends_told)
{
	const int64_t t = 1700000000 * second;
	const std::vector<journal_boot> boots = {
	    {"c", t + 9000 * second, 1 * second, t + 9100 * second, 101 * second},
	    {"a", t + 500000, 500000, t + 3600 * second, 3600 * second, true, false,
	     "Linux version 6.1.0-28-amd64 (gcc) #1"},
	    {"b", t + 5000 * second, 0, t + 5000 * second, 7200 * second, false, true},
	    {"r", t + 7000 * second, 0, t + 7100 * second, 100 * second},
	};
	std::vector<past_boot> expected = {
	    {1700000000, 3600, true, "6.1.0-28-amd64", "a", boot_end::clean},
	    {1700005000, 7200, true, "", "b", boot_end::clean},
	    {1700007000, 100, true, "", "r", boot_end::unknown},
	    {1700008999, 101, true, "", "c", boot_end::unknown},
	};
	EXPECT_EQ(boots_of_journal(boots, "r"), expected);
	expected[2].end = boot_end::unclean;
	EXPECT_EQ(boots_of_journal(boots, ""), expected);
}

} // namespace
