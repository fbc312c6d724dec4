// journal_boots.cpp - fuzz target: the boots of the journal's boot list
// (boots_of_journal, the reader's work once the journal is read).
//
// The input is one boot a line:
//
//   ID FIRST_REALTIME FIRST_MONOTONIC LAST_REALTIME LAST_MONOTONIC SIGNALS MESSAGE...
//
// in microseconds (a negative time reads as 0, as the reader clamps the
// journal's); SIGNALS 1 for PID 1's shutdown target, 2 for logind's
// message, 3 for both; MESSAGE the kernel's version message, the rest of
// the line.  A line "running ID" names the running boot.  Whatever the
// boots, each gives one boot, in order of start, bounded, never shorter
// than its last entry's time since the boot; it ended cleanly exactly when
// a shutdown signal is there, its end is unknown when not and it is the
// newest or the running boot, unclean otherwise; its release holds only the
// bytes a release may.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "recorder/history/history_values.h"
#include "recorder/history/journal_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::vector<journal_boot> boots;
	std::string running;
	for (const fuzz::input_line &line : fuzz::lines_of(data, size)) {
		const auto &w = line.words;
		if (w.size() >= 2 && w[0] == "running") {
			running = w[1];
			continue;
		}
		if (w.empty())
			continue;
		auto time = [&](std::size_t i) {
			return std::max<int64_t>(fuzz::number_of(w, i), 0);
		};
		int64_t signals = fuzz::number_of(w, 5);
		journal_boot b = {w[0], time(1), time(2), time(3), time(4)};
		b.reached_shutdown = (signals & 1) != 0;
		b.logind_shutdown = (signals & 2) != 0;
		b.version_message = fuzz::rest_of(line, 6);
		boots.push_back(b);
	}
	std::vector<past_boot> found = boots_of_journal(boots, running);
	fuzz::check(found.size() == boots.size(), "not one boot for each of the journal");
	for (std::size_t i = 0; i < found.size(); i++) {
		const past_boot &b = found[i];
		if (i > 0)
			fuzz::check(found[i - 1].boot_time <= b.boot_time, "boots out of order");
		auto of = std::find_if(boots.begin(), boots.end(),
		                       [&](const journal_boot &j) { return j.id == b.boot_id; });
		fuzz::check(of != boots.end(), "a boot of an id the journal lacks");
		fuzz::check(b.bounded && b.uptime >= 0, "a boot not bounded, or a negative uptime");
		bool clean = false;
		bool unclean = false;
		for (const journal_boot &j : boots) // of one id, any may be the boot
			if (j.id == b.boot_id) {
				clean = clean || j.reached_shutdown || j.logind_shutdown;
				unclean = unclean || !(j.reached_shutdown || j.logind_shutdown);
			}
		if (b.end == boot_end::clean)
			fuzz::check(clean, "a clean end without a shutdown message");
		else
			fuzz::check(unclean, "no clean end with a shutdown message");
		if (b.end == boot_end::unclean)
			fuzz::check(i + 1 < found.size() && b.boot_id != running,
			            "the newest or the running boot ended uncleanly");
		for (char c : b.release)
			fuzz::check(c > ' ' && c < 0x7f, "a release holds a byte it cannot");
	}
	return 0;
}
