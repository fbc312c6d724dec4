// wtmpdb_history.cpp - the boots that a login database of SQLite remembers.
//
// The database has one table, wtmp(ID, Type, User, Login, Logout, TTY,
// RemoteHost, Service), of a row for each boot and each login; Login and
// Logout are microseconds since the epoch, Logout NULL while the session or
// the boot lasts.  A boot's row has Type 1 and User "reboot", the kernel
// release as its RemoteHost, and its shutdown time as its Logout.  Rows of
// soft reboots (User "soft-reboot") restart the services within one boot of
// the kernel: they are records of the boot like logins.
#include "recorder/history/wtmpdb_history.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include <sqlite3.h>

#include "recorder/history/history_values.h"
#include "recorder/plain_file.h"

namespace
{

// The Type of a boot's row.
constexpr int64_t boot_row_type = 1;

struct database_closer {
	void operator()(sqlite3 *db) const
	{
		sqlite3_close(db);
	}
};
struct statement_closer {
	void operator()(sqlite3_stmt *st) const
	{
		sqlite3_finalize(st);
	}
};

// The text of a column, whole (a NUL byte in it included), "" for NULL.
std::string text_of(sqlite3_stmt *st, int column)
{
	const unsigned char *text = sqlite3_column_text(st, column);
	if (!text)
		return "";
	return std::string(reinterpret_cast<const char *>(text),
	                   static_cast<std::size_t>(sqlite3_column_bytes(st, column)));
}

std::optional<int64_t> column_time(sqlite3_stmt *st, int column)
{
	if (sqlite3_column_type(st, column) != SQLITE_INTEGER)
		return std::nullopt;
	return sqlite3_column_int64(st, column);
}

} // namespace

std::vector<past_boot> boots_of_rows(const std::vector<wtmpdb_row> &all)
{
	std::vector<const wtmpdb_row *> rows;
	std::vector<int64_t> others;
	for (const wtmpdb_row &row : all) {
		if (row.boot) {
			rows.push_back(&row);
		} else {
			others.push_back(row.login);
			if (row.logout)
				others.push_back(*row.logout);
		}
	}
	std::stable_sort(rows.begin(), rows.end(), [](const wtmpdb_row *a, const wtmpdb_row *b) {
		return a->login < b->login;
	});
	std::sort(others.begin(), others.end());
	std::vector<past_boot> boots;
	for (std::size_t i = 0; i < rows.size(); i++) {
		const wtmpdb_row &row = *rows[i];
		bool followed = i + 1 < rows.size();
		bool cut = false;
		past_boot boot = {seconds_of(row.login), 0, false, cut_release(row.release, cut)};
		boot.release_cut = cut;
		if (row.logout) {
			// An end dated before the start (a clock set back) still
			// tells that the boot was shut down, but not how long it
			// lasted.
			if (*row.logout >= row.login) {
				boot.uptime = seconds_of(*row.logout) - boot.boot_time;
				boot.bounded = true;
			}
		} else {
			// The last record before the next boot, if it is of this one.
			auto limit = followed ? std::lower_bound(others.begin(), others.end(),
			                                         rows[i + 1]->login)
			                      : others.end();
			if (limit != others.begin() && *(limit - 1) >= row.login) {
				boot.uptime = seconds_of(*(limit - 1)) - boot.boot_time;
				boot.bounded = true;
			}
		}
		if (row.logout)
			boot.end = boot_end::clean;
		else
			boot.end = followed ? boot_end::unclean : boot_end::unknown;
		boots.push_back(boot);
	}
	return boots;
}

history_status read_wtmpdb_history(const char *path, std::vector<past_boot> &boots,
                                   std::string *err)
{
	auto unreadable = [&](const std::string &reason) {
		*err = std::string("cannot read ") + path + ": " + reason;
		return history_status::unreadable;
	};
	// SQLite opens the file itself: it is looked at first.
	struct stat st;
	if (stat(path, &st) != 0)
		return errno == ENOENT ? history_status::missing : unreadable(std::strerror(errno));
	if (int error = plain_file_error(st))
		return unreadable(std::strerror(error));
	if (st.st_size == 0)
		return history_status::empty;

	sqlite3 *opened = nullptr;
	int r = sqlite3_open_v2(path, &opened, SQLITE_OPEN_READONLY, nullptr);
	std::unique_ptr<sqlite3, database_closer> db(opened);
	sqlite3_stmt *prepared = nullptr;
	if (r == SQLITE_OK) {
		sqlite3_busy_timeout(db.get(), 5000); // a writer's short transaction
		r = sqlite3_prepare_v2(db.get(),
		                       "SELECT Type, User, Login, Logout, RemoteHost FROM wtmp", -1,
		                       &prepared, nullptr);
	}
	std::unique_ptr<sqlite3_stmt, statement_closer> query(prepared);
	std::vector<wtmpdb_row> rows;
	while (r == SQLITE_OK || r == SQLITE_ROW) {
		r = sqlite3_step(query.get());
		if (r != SQLITE_ROW)
			break;
		auto login = column_time(query.get(), 2);
		auto logout = column_time(query.get(), 3);
		if (!login)
			continue;
		const unsigned char *user = sqlite3_column_text(query.get(), 1);
		bool boot = sqlite3_column_int64(query.get(), 0) == boot_row_type && user &&
		            std::strcmp(reinterpret_cast<const char *>(user), "reboot") == 0;
		rows.push_back({boot, *login, logout, boot ? text_of(query.get(), 4) : ""});
	}
	if (r != SQLITE_DONE)
		return unreadable(db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(r));
	std::vector<past_boot> found = boots_of_rows(rows);
	boots.insert(boots.end(), found.begin(), found.end());
	return history_status::read;
}
