// save_records_test.cpp - replacing the store: round trips, modes, owners,
// failures, and writers racing.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "corvane_store.h"
#include "test_support.h"

namespace
{

using corvane_test::folder_names;

using corvane_test::list_records;
using corvane_test::read_file;
using corvane_test::write_file;

// uptime, boot time, text
using values = std::tuple<int64_t, int64_t, std::string>;

std::vector<values> list_values()
{
	std::vector<values> out;
	for (urec *r : list_records())
		out.emplace_back(r->uptime, static_cast<int64_t>(r->boot_time), r->sysinfo);
	return out;
}

// No stored line has this boot time: read_records reads every line.
constexpr time_t all_boots = -1;

struct save_records_test : corvane_test::store_fixture {
};

TEST_F(save_records_test, reads_back_what_it_saved)
{
	const std::vector<values> saved = {
	    {0, 0, ""},
	    {5, 1000, " a:b  c :"},
	    {7, 2000, std::string(SYSMAX, 'a')},
	    {3600, 1000000000, "Linux 6.1.0-28-amd64"},
	    {9, 1000100000, "# not a comment"},
	    {11, 1000200000, "x\ry \xc3\xa9t\xc3\xa9"},
	    {1, 253370764798, "last second allowed"},
	};
	for (auto r = saved.rbegin(); r != saved.rend(); ++r)
		add_urec(std::get<0>(*r), static_cast<time_t>(std::get<1>(*r)),
		         std::get<2>(*r).c_str());
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	corvane_forget_records();
	read_records(all_boots);
	EXPECT_EQ(list_values(), saved);

	// Saved again unchanged, the store keeps every byte.
	std::string first = read_file(store);
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	EXPECT_EQ(read_file(store), first);
}

TEST_F(save_records_test, makes_the_folders_and_a_store_readable_by_everyone)
{
	std::string nested = dir.path + "/a/b/records";
	setenv("CORVANE_RECORDS", nested.c_str(), 1);
	add_urec(5, 1000, "x");
	mode_t old_umask = umask(077);
	int status = save_records();
	umask(old_umask);
	ASSERT_EQ(status, 0) << std::strerror(errno);
	struct stat st;
	for (const std::string folder : {"/a", "/a/b"}) {
		ASSERT_EQ(stat((dir.path + folder).c_str(), &st), 0) << folder;
		EXPECT_EQ(st.st_mode & 07777, 0755u) << folder;
	}
	ASSERT_EQ(stat(nested.c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 07777, 0644u);
	EXPECT_EQ(read_file(nested), "5:1000:x\n");
	EXPECT_EQ(folder_names(dir.path + "/a/b"), std::set<std::string>{"records"});
}

TEST_F(save_records_test, keeps_the_mode_and_owner_of_the_store)
{
	write_file(store, "1:1000:x\n");
	ASSERT_EQ(chmod(store.c_str(), 0640), 0);
	bool root = geteuid() == 0;
	if (root) {
		ASSERT_EQ(chown(store.c_str(), 1234, 5678), 0);
	}
	add_urec(5, 1000, "x");
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	struct stat st;
	ASSERT_EQ(stat(store.c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 07777, 0640u);
	if (root) {
		EXPECT_EQ(st.st_uid, 1234u);
		EXPECT_EQ(st.st_gid, 5678u);
	}
	EXPECT_EQ(read_file(store), "5:1000:x\n");
}

TEST_F(save_records_test, replaces_the_file_a_link_points_to)
{
	ASSERT_EQ(mkdir((dir.path + "/real").c_str(), 0755), 0);
	std::string target = dir.path + "/real/records";
	write_file(target, "# kept\n");
	ASSERT_EQ(symlink("real/records", store.c_str()), 0);
	add_urec(5, 1000, "x");
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	struct stat st;
	ASSERT_EQ(lstat(store.c_str(), &st), 0);
	EXPECT_TRUE(S_ISLNK(st.st_mode));
	EXPECT_EQ(read_file(target), "# kept\n5:1000:x\n");
	EXPECT_EQ(folder_names(dir.path + "/real"), std::set<std::string>{"records"});
}

TEST_F(save_records_test, a_failed_save_leaves_the_old_store_and_no_new_file)
{
	const std::string old = "# old\n1:1000:x\nnot a record\n";
	write_file(store, old);
	add_urec(-5, 1000, "cannot be stored");
	errno = 0;
	EXPECT_EQ(save_records(), -1);
	EXPECT_EQ(errno, EINVAL);
	EXPECT_EQ(read_file(store), old);
	EXPECT_EQ(folder_names(dir.path), std::set<std::string>{"records"});

	corvane_forget_records();
	ASSERT_EQ(unlink(store.c_str()), 0);
	ASSERT_EQ(mkdir(store.c_str(), 0755), 0);
	add_urec(5, 1000, "x");
	errno = 0;
	EXPECT_EQ(save_records(), -1);
	EXPECT_EQ(errno, EISDIR);
	EXPECT_EQ(folder_names(dir.path), std::set<std::string>{"records"});
}

// One writer of the race: rounds times, under the lock, reads the store, adds
// a boot of its own and saves.  0 when every step succeeded.
int race(int writer, int rounds)
{
	for (int i = 0; i < rounds; i++) {
		int lock = lock_records();
		if (lock < 0)
			return 1;
		corvane_forget_records();
		read_records(all_boots);
		std::string text = "writer " + std::to_string(writer);
		if (!add_urec(i, 1000000 * (writer + 1) + i, text.c_str()) || save_records() != 0)
			return 1;
		unlock_records(lock);
	}
	return 0;
}

// Every line of a store of the race: the two kept lines first, then whole
// records of the writers.  The number of records, or -1 when a line is not
// one of those.
int records_in_race_store(const std::string &content)
{
	const std::string head = "# racing writers\nnot a record\n";
	if (content.compare(0, head.size(), head) != 0 || content.back() != '\n')
		return -1;
	std::istringstream lines(content.substr(head.size()));
	std::string line;
	int count = 0;
	while (std::getline(lines, line)) {
		long long uptime, boot;
		int writer;
		char rest;
		if (std::sscanf(line.c_str(), "%lld:%lld:writer %d%c", &uptime, &boot, &writer,
		                &rest) != 3)
			return -1;
		count++;
	}
	return count;
}

TEST_F(save_records_test, two_writers_racing_lose_no_record_and_leave_the_store_whole)
{
	constexpr int rounds = 100;
	write_file(store, "# racing writers\nnot a record\n");
	pid_t writers[2];
	for (int w = 0; w < 2; w++) {
		writers[w] = fork();
		ASSERT_GE(writers[w], 0);
		if (writers[w] == 0)
			_exit(race(w, rounds));
	}
	// Meanwhile every read of the store finds it whole, never with fewer
	// records than before.
	int running = 2;
	int seen = 0;
	while (running > 0) {
		for (pid_t &writer : writers) {
			int status;
			if (writer > 0 && waitpid(writer, &status, WNOHANG) == writer) {
				EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
				writer = -1;
				running--;
			}
		}
		int count = records_in_race_store(read_file(store));
		if (count < seen)
			ADD_FAILURE() << count << " records (-1: not whole) after " << seen;
		seen = std::max(seen, count);
	}
	EXPECT_EQ(seen, 2 * rounds);
	corvane_forget_records();
	read_records(all_boots);
	std::set<int64_t> boots;
	for (urec *r : list_records())
		boots.insert(static_cast<int64_t>(r->boot_time));
	for (int w = 0; w < 2; w++)
		for (int i = 0; i < rounds; i++)
			EXPECT_EQ(boots.count(1000000 * (w + 1) + i), 1u) << w << " " << i;
}

// The reader and the writer agree: a store with lines of every shape the
// reader reads (texts that end in CR, a CR where the reader cuts the text,
// texts up to the line limit) is saved with every uptime raised, and reads
// back with the raised uptimes and the texts as the reader had them; then
// the list is saved as a new store and reads back the same.  The lines come
// from a fixed-seed generator, the same on every run.
TEST_F(save_records_test, every_store_read_saves_and_every_record_saved_reads_back)
{
	std::mt19937 random(20240601);
	auto below = [&](uint32_t n) { return random() % n; };
	// A text: printable bytes, high bytes, CRs and colons, of lengths about
	// SYSMAX and the line limit; a CR at its end, or where the reader cuts.
	auto text = [&]() {
		static const std::size_t lengths[] = {0,      1,          10,   SYSMAX - 1,
		                                      SYSMAX, SYSMAX + 1, 1000, 4050};
		std::size_t len = lengths[below(8)] + below(4);
		std::string t;
		for (std::size_t i = 0; i < len; i++) {
			uint32_t kind = below(20);
			t += kind == 0   ? '\r'
			     : kind == 1 ? ':'
			     : kind == 2 ? static_cast<char>(0x80 + below(128))
			                 : static_cast<char>(' ' + below(95));
		}
		if (!t.empty() && below(3) == 0)
			t.back() = '\r';
		if (t.size() > SYSMAX && below(3) == 0)
			t[SYSMAX - 1] = '\r';
		return t;
	};
	std::string content;
	int64_t boot = 1000000000;
	for (int i = 0; i < 400; i++) {
		boot += 1 + below(100000);
		std::string line =
		    std::to_string(below(1000000)) + ":" + std::to_string(boot) + ":" + text();
		content += line + (below(4) == 0 ? "\r\n" : "\n");
	}
	write_file(store, content);
	read_records(all_boots);
	std::vector<values> stored = list_values();
	ASSERT_GT(stored.size(), 300u); // some lines are beyond the line limit
	for (urec *r : list_records())
		r->uptime = r->uptime * 1000 + below(1000);
	std::vector<values> raised = list_values();
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	corvane_forget_records();
	read_records(all_boots);
	EXPECT_EQ(list_values(), raised);

	// The list alone, saved as a new store.
	ASSERT_EQ(unlink(store.c_str()), 0);
	ASSERT_EQ(save_records(), 0) << std::strerror(errno);
	corvane_forget_records();
	read_records(all_boots);
	EXPECT_EQ(list_values(), raised);
}

// The two stores that a fuzzer found the writer could not save, or saved so
// that a boot was lost.
TEST_F(save_records_test, saves_the_stores_that_were_found_to_fail)
{
	const std::string long_text = std::string(4096 - 16, 'x');
	struct {
		const char *name;
		std::string store;
	} const cases[] = {
	    {"a text that ends in CR", "3600:1700000000:Linux 6.1\r\r\n"},
	    {"a CR where the reader cuts the text",
	     "3600:1700000000:" + std::string(SYSMAX - 1, 'a') + "\r and more\n"},
	    {"a line at the line limit", "3600:1700000000:" + long_text + "\n"},
	};
	for (const auto &c : cases) {
		corvane_forget_records();
		write_file(store, c.store);
		read_records(all_boots);
		std::vector<values> before = list_values();
		ASSERT_EQ(before.size(), 1u) << c.name;
		// The running boot, and the stored one with a longer uptime.
		list_records()[0]->uptime = 36000;
		add_urec(60, 1800000000, "Linux 6.2");
		std::vector<values> saved = list_values();
		ASSERT_EQ(save_records(), 0) << c.name << ": " << std::strerror(errno);
		corvane_forget_records();
		read_records(all_boots);
		EXPECT_EQ(list_values(),
		          (std::vector<values>{{36000, 1700000000, std::get<2>(before[0])},
		                               {60, 1800000000, "Linux 6.2"}}))
		    << c.name;
	}
}

} // namespace
