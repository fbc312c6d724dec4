// import.cpp - adding the boots of the login accounting file that the store
// lacks.
#include "recorder/import.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "corvane_store.h"
#include "recorder/store_range.h"

namespace
{

// The boots of urec_list by start, with the latest end among each record and
// those before it, to tell in log time whether a record was up at a moment.
struct known_boots {
	std::vector<std::pair<int64_t, int64_t>> spans; // start, end
	std::vector<int64_t> latest_end;
};

known_boots list_known()
{
	known_boots known;
	for (const urec *rec = urec_list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		known.spans.emplace_back(start, clamped_sum(start, rec->uptime));
	}
	std::sort(known.spans.begin(), known.spans.end());
	int64_t latest = INT64_MIN;
	for (const auto &span : known.spans) {
		latest = std::max(latest, span.second);
		known.latest_end.push_back(latest);
	}
	return known;
}

bool holds(const known_boots &known, int64_t boot_time)
{
	const auto &spans = known.spans;
	// A record that started close to the boot record.
	auto near =
	    std::lower_bound(spans.begin(), spans.end(),
	                     std::make_pair(clamped_sum(boot_time, -boot_record_delay), INT64_MIN));
	if (near != spans.end() && near->first <= clamped_sum(boot_time, boot_record_delay))
		return true;
	// A record that started before it and was still up.
	auto after =
	    std::upper_bound(spans.begin(), spans.end(), std::make_pair(boot_time, INT64_MAX));
	if (after == spans.begin())
		return false;
	return known.latest_end[static_cast<std::size_t>(after - spans.begin()) - 1] >= boot_time;
}

} // namespace

import_counts import_boots(const std::vector<past_boot> &boots, const char *sysname,
                           boot_ends *ends, bool *ends_changed)
{
	import_counts counts = {0, 0, 0, 0};
	known_boots known = list_known();
	for (const past_boot &boot : boots) {
		if (holds(known, boot.boot_time)) {
			counts.known++;
		} else if (!boot.bounded || !fits_store(boot.boot_time, boot.uptime)) {
			counts.skipped++;
		} else {
			std::string text = sysname;
			if (!text.empty() && !boot.release.empty())
				text += " ";
			text += boot.release;
			if (!add_urec(boot.uptime, static_cast<time_t>(boot.boot_time),
			              text.c_str()))
				throw std::bad_alloc();
			counts.imported++;
			if (ends && boot.end != boot_end::unknown &&
			    ends->ends.emplace(boot.boot_time, boot.end).second && ends_changed)
				*ends_changed = true;
			if (boot.release_cut)
				counts.cut++;
		}
	}
	return counts;
}
