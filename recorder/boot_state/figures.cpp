// figures.cpp - the figures of the records.
#include "recorder/boot_state/figures.h"
#include "recorder/store_range.h"

#include <algorithm>
#include <cstdint>
#include <vector>

record_figures figures_of(const urec *list, const urec *current, const boot_ends &ends)
{
	record_figures f;
	std::vector<const urec *> records;
	for (const urec *rec = list; rec; rec = rec->next)
		records.push_back(rec);
	if (records.empty())
		return f;
	std::stable_sort(records.begin(), records.end(),
	                 [](const urec *a, const urec *b) { return a->boot_time < b->boot_time; });
	f.boots = static_cast<int64_t>(records.size());
	f.since = records.front()->boot_time;
	const urec *longest = nullptr;
	int64_t previous_end = 0;
	for (std::size_t i = 0; i < records.size(); i++) {
		const urec *rec = records[i];
		auto start = static_cast<int64_t>(rec->boot_time);
		if (i > 0 && start > previous_end)
			f.total_downtime = clamped_sum(f.total_downtime, start - previous_end);
		previous_end = clamped_sum(start, rec->uptime);
		f.total_uptime = clamped_sum(f.total_uptime, rec->uptime);
		if (!longest || rec->uptime > longest->uptime)
			longest = rec;
		if (rec == current) {
			f.running++;
			continue;
		}
		switch (how_ended(ends, start)) {
		case boot_end::clean:
			f.clean++;
			break;
		case boot_end::unclean:
			f.unclean++;
			f.last_unclean_end = std::max(f.last_unclean_end, previous_end);
			break;
		case boot_end::unknown:
			f.unknown++;
			break;
		}
	}
	f.longest = longest->uptime;
	f.longest_boot = longest->boot_time;
	double whole = static_cast<double>(f.total_uptime) + static_cast<double>(f.total_downtime);
	f.availability = whole > 0 ? static_cast<double>(f.total_uptime) / whole : 1;

	if (const urec *cur = current) {
		f.running_uptime = cur->uptime;
		f.running_boot = cur->boot_time;
		f.rank = 1;
		bool above = false;
		for (const urec *rec : records) {
			if (rec == cur)
				continue;
			f.first_place_uptime = std::max(f.first_place_uptime, rec->uptime);
			if (rec->uptime > cur->uptime ||
			    (rec->uptime == cur->uptime && rec->boot_time < cur->boot_time)) {
				f.rank++;
				if (!above || rec->uptime < f.next_rank_uptime)
					f.next_rank_uptime = rec->uptime;
				above = true;
			}
		}
	}
	return f;
}
