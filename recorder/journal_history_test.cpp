// journal_history_test.cpp - the boots read from journal files that
// systemd-journal-remote makes from entries in the journal export format.
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history_test_tools.h"
#include "recorder/journal_history.h"
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
const std::string shutdown = "MESSAGE_ID=98268866d1d54a499c4e98921d93bc40\nMESSAGE=Shutting down.";

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
		std::string error;
		EXPECT_EQ(read_journal_history(path, boots, error), expected) << error;
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

TEST_F(journal_history_test, keeps_only_a_printable_release)
{
	REQUIRE_TOOL(tool, "systemd-journal-remote");
	const int64_t t = 1700000000 * second;
	write({{id_a,
	        {{t, 0, kernel("Linux version \x1b[31mevil #1")}, {t + 5 * second, 5 * second}}},
	       {id_b, {{t + 60 * second, 0, kernel("Linux version 6.1.0-28-amd64")}}}});
	std::vector<past_boot> boots = read(file.c_str(), history_status::read);
	ASSERT_EQ(boots.size(), 2U);
	EXPECT_EQ(boots[0].release, "");
	EXPECT_EQ(boots[1].release, "6.1.0-28-amd64");
}

} // namespace
