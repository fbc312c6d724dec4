// wtmpdb_rows.cpp - fuzz target: the boots that the rows of a login
// database make (boots_of_rows, the reader's work once the rows are read).
//
// The input is one row a line:
//
//   boot LOGIN LOGOUT RELEASE...   a boot's row (LOGOUT "-" for NULL), its
//                                  RemoteHost the rest of the line as it is
//   other LOGIN LOGOUT             any other row (a login, a soft reboot)
//
// Whatever the rows, there is one boot for each boot's row, in order of its
// start; a bounded boot's uptime is never negative; a boot whose end is
// dated before its start is not bounded (it is skipped); each release is its
// row's cut at the first byte a release cannot hold, and said to be cut
// exactly when something was cut away.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "recorder/history/history_values.h"
#include "recorder/history/wtmpdb_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::vector<wtmpdb_row> rows;
	for (const fuzz::input_line &line : fuzz::lines_of(data, size)) {
		const auto &w = line.words;
		if (w.size() < 2 || (w[0] != "boot" && w[0] != "other"))
			continue;
		std::optional<int64_t> logout;
		if (w.size() > 2 && w[2] != "-")
			logout = fuzz::number_of(w, 2);
		rows.push_back({w[0] == "boot", fuzz::number_of(w, 1), logout,
		                w[0] == "boot" ? fuzz::rest_of(line, 3) : ""});
	}
	std::vector<past_boot> boots = boots_of_rows(rows);

	std::vector<wtmpdb_row> boot_rows;
	for (const wtmpdb_row &row : rows)
		if (row.boot)
			boot_rows.push_back(row);
	std::stable_sort(
	    boot_rows.begin(), boot_rows.end(),
	    [](const wtmpdb_row &a, const wtmpdb_row &b) { return a.login < b.login; });
	fuzz::check(boots.size() == boot_rows.size(), "not one boot for each boot's row");
	for (std::size_t i = 0; i < boots.size(); i++) {
		const past_boot &b = boots[i];
		const wtmpdb_row &row = boot_rows[i];
		fuzz::check(b.boot_time == seconds_of(row.login), "a boot out of order");
		fuzz::check(!b.bounded || b.uptime >= 0, "a negative uptime");
		fuzz::check(b.bounded || b.uptime == 0, "an uptime of a boot not bounded");
		if (row.logout && *row.logout < row.login)
			fuzz::check(!b.bounded,
			            "a boot whose end is dated before its start was bounded");
		if (row.logout)
			fuzz::check(b.end == boot_end::clean, "a boot with an end not clean");
		fuzz::check(row.release.compare(0, b.release.size(), b.release) == 0,
		            "a release that is not its row's");
		fuzz::check(b.release_cut == (b.release.size() < row.release.size()),
		            "a release cut, or not cut, unsaid");
		for (char c : b.release)
			fuzz::check(c > ' ' && c < 0x7f, "a release holds a byte it cannot");
	}
	return 0;
}
