// wtmpdb_history_test.cpp - the boots read from login databases that the
// test makes with the sqlite3 shell, in the login database's own layout.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/history/history_test_tools.h"
#include "recorder/history/wtmpdb_history.h"
#include "test_support.h"

namespace
{

// The login database's table, as its tools make it.
const std::string table =
    "CREATE TABLE IF NOT EXISTS wtmp(ID INTEGER PRIMARY KEY, Type INTEGER, User TEXT NOT NULL, "
    "Login INTEGER, Logout INTEGER, TTY TEXT, RemoteHost TEXT, Service TEXT) STRICT;\n";

struct wtmpdb_history_test : ::testing::Test {
	corvane_test::temp_dir dir;
	std::string tool = history_test::find_tool({"/usr/bin/sqlite3"});
	std::string db = dir.path + "/wtmp.db";

	// Makes the database of the table and the rows (the values of an
	// INSERT of Type, User, Login, Logout, TTY, RemoteHost, Service).
	void make(const std::string &sql)
	{
		history_test::run(tool + " " + db, sql);
	}

	std::vector<past_boot> read(history_status expected)
	{
		std::vector<past_boot> boots;
		std::string err;
		EXPECT_EQ(read_wtmpdb_history(db.c_str(), boots, &err), expected) << err;
		return boots;
	}
};

TEST_F(wtmpdb_history_test, bounds_each_boot_by_its_end_or_its_last_record)
{
	REQUIRE_TOOL(tool, "sqlite3");
	make(table + "INSERT INTO wtmp (Type,User,Login,Logout,TTY,RemoteHost,Service) VALUES "
	             // Shut down: its row holds its end.
	             "(1,'reboot',1700000000500000,1700003600900000,'~','6.1.0-28-amd64',NULL),"
	             "(3,'alice',1700000100000000,1700000200000000,'pts/0','192.0.2.1','sshd'),"
	             // A crash, bounded by the last login or logout of the boot.
	             "(1,'reboot',1700010000000000,NULL,'~','6.1.0-29-amd64',NULL),"
	             "(3,'bob',1700010100000000,1700010900000000,'tty1',NULL,'login'),"
	             "(3,'carol',1700010500000000,NULL,'pts/1','192.0.2.2','sshd'),"
	             // A soft reboot is a record of the boot it restarts.
	             "(1,'soft-reboot',1700011000000000,NULL,'~','6.1.0-29-amd64',NULL),"
	             // A crash with no record after it cannot be bounded; nor
	             // can an end dated before the start, though it was shut
	             // down.
	             "(1,'reboot',1700020000000000,NULL,'~','6.1.0-29-amd64',NULL),"
	             "(1,'reboot',1700030000000000,1700020000000000,'~','evil' || char(10) || "
	             "'1:1:x',NULL),"
	             // The newest boot, up or crashed: its end is not known.
	             "(1,'reboot',1700040000000000,NULL,'~','6.1.0-30-amd64',NULL),"
	             "(3,'dave',1700040060000000,NULL,'pts/0',NULL,'sshd');\n");
	std::vector<past_boot> expected = {
	    {1700000000, 3600, true, "6.1.0-28-amd64", "", boot_end::clean},
	    {1700010000, 1000, true, "6.1.0-29-amd64", "", boot_end::unclean},
	    {1700020000, 0, false, "6.1.0-29-amd64", "", boot_end::unclean},
	    release_cut({1700030000, 0, false, "evil", "", boot_end::clean}),
	    {1700040000, 60, true, "6.1.0-30-amd64", "", boot_end::unknown},
	};
	EXPECT_EQ(read(history_status::read), expected);
}

// A boot whose row's Logout is dated before its Login (a clock set back) is
// skipped, as the manual says, even where later rows of other sessions
// could bound it.
TEST_F(wtmpdb_history_test, skips_a_boot_whose_end_is_dated_before_its_start)
{
	REQUIRE_TOOL(tool, "sqlite3");
	struct {
		const char *name;
		std::string rows; // after the boot row of 1700000000
		std::vector<past_boot> expected;
	} const cases[] = {
	    {"a logout before the login, later rows of the boot",
	     "(1,'reboot',1700000000000000,1699999000000000,'~','6.1',NULL),"
	     "(3,'alice',1700000100000000,1700000200000000,'pts/0',NULL,'sshd')",
	     {{1700000000, 0, false, "6.1", "", boot_end::clean}}},
	    {"and a boot after them",
	     "(1,'reboot',1700000000000000,1699999999999999,'~','6.1',NULL),"
	     "(3,'alice',1700000100000000,NULL,'pts/0',NULL,'sshd'),"
	     "(1,'reboot',1700001000000000,1700002000000000,'~','6.2',NULL)",
	     {{1700000000, 0, false, "6.1", "", boot_end::clean},
	      {1700001000, 1000, true, "6.2", "", boot_end::clean}}},
	    {"a logout at the login: a boot of no time",
	     "(1,'reboot',1700000000000000,1700000000000000,'~','6.1',NULL),"
	     "(3,'alice',1700000100000000,1700000200000000,'pts/0',NULL,'sshd')",
	     {{1700000000, 0, true, "6.1", "", boot_end::clean}}},
	};
	for (const auto &c : cases) {
		std::remove(db.c_str());
		make(table +
		     "INSERT INTO wtmp (Type,User,Login,Logout,TTY,RemoteHost,Service) VALUES " +
		     c.rows + ";\n");
		EXPECT_EQ(read(history_status::read), c.expected) << c.name;
	}
}

// The release rule of every source (cut_release): cut at a control
// character, a blank or a byte of a non-ASCII letter, and counted.
TEST_F(wtmpdb_history_test, cuts_a_release_at_what_a_release_cannot_hold)
{
	REQUIRE_TOOL(tool, "sqlite3");
	struct {
		std::string sql; // the RemoteHost
		std::string release;
		bool cut;
	} const cases[] = {
	    {"'6.1.0-28-amd64'", "6.1.0-28-amd64", false},
	    {"NULL", "", false},
	    {"''", "", false},
	    {"'6.1.0-28-amd64' || char(27) || '[0m #1'", "6.1.0-28-amd64", true},
	    {"char(27) || '[31mevil'", "", true},
	    {"'6.1.0 28'", "6.1.0", true},
	    {"'6.1.0-t' || char(233) || 'st'", "6.1.0-t", true},
	    {"'6.1.0' || char(10) || '1:1:x'", "6.1.0", true},
	    {"'6.1.0' || char(0) || 'x'", "6.1.0", true},
	};
	for (const auto &c : cases) {
		std::remove(db.c_str());
		make(table +
		     "INSERT INTO wtmp (Type,User,Login,Logout,TTY,RemoteHost,Service) VALUES "
		     "(1,'reboot',1700000000000000,1700000100000000,'~'," +
		     c.sql + ",NULL);\n");
		std::vector<past_boot> boots = read(history_status::read);
		ASSERT_EQ(boots.size(), 1u) << c.sql;
		EXPECT_EQ(boots[0].release, c.release) << c.sql;
		EXPECT_EQ(boots[0].release_cut, c.cut) << c.sql;
	}
}

// The rows of the database as the reader hands them to boots_of_rows, in
// any order.
TEST(wtmpdb_rows, bound_the_boots_in_any_order)
{
	const std::vector<wtmpdb_row> rows = {
	    {false, 1700010500000000, std::nullopt},
	    {true, 1700010000000000, std::nullopt, "6.2"},
	    {true, 1700000000500000, 1700003600900000, "6.1"},
	    {false, 1700010100000000, 1700010900000000},
	    {true, 1700020000000000, std::nullopt, "6.3"},
	};
	std::vector<past_boot> expected = {
	    {1700000000, 3600, true, "6.1", "", boot_end::clean},
	    {1700010000, 900, true, "6.2", "", boot_end::unclean},
	    {1700020000, 0, false, "6.3", "", boot_end::unknown},
	};
	EXPECT_EQ(boots_of_rows(rows), expected);
}

TEST_F(wtmpdb_history_test, tells_a_missing_an_empty_and_an_unreadable_database)
{
	std::vector<past_boot> none;
	EXPECT_EQ(read(history_status::missing), none);
	corvane_test::write_file(db, "");
	EXPECT_EQ(read(history_status::empty), none);
	corvane_test::write_file(db, "not a database, though long enough to be read as one\n");
	EXPECT_EQ(read(history_status::unreadable), none);
}

TEST_F(wtmpdb_history_test, a_database_without_the_table_is_unreadable)
{
	REQUIRE_TOOL(tool, "sqlite3");
	make("CREATE TABLE other(x INTEGER);\n");
	std::vector<past_boot> boots;
	std::string err;
	EXPECT_EQ(read_wtmpdb_history(db.c_str(), boots, &err), history_status::unreadable);
	EXPECT_EQ(err, "cannot read " + db + ": no such table: wtmp");
	// A database of the table and no row holds no boot.
	make(table);
	EXPECT_EQ(read(history_status::read), std::vector<past_boot>{});
}

} // namespace
