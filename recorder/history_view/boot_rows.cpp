// boot_rows.cpp - the history as one row per boot, cut to a range.
#include "recorder/history_view/boot_rows.h"

#include <algorithm>

#include "recorder/history_view/suspended.h"
#include "recorder/store_range.h"

const char *outcome_name(boot_outcome outcome)
{
	switch (outcome) {
	case boot_outcome::clean:
		return "clean";
	case boot_outcome::unclean:
		return "unclean";
	case boot_outcome::unknown:
		break;
	case boot_outcome::running:
		return "running";
	}
	return "unknown";
}

boot_outcome outcome_of(const urec *rec, const urec *current, const boot_ends &ends)
{
	if (rec == current)
		return boot_outcome::running;
	switch (how_ended(ends, static_cast<int64_t>(rec->boot_time))) {
	case boot_end::clean:
		return boot_outcome::clean;
	case boot_end::unclean:
		return boot_outcome::unclean;
	case boot_end::unknown:
		break;
	}
	return boot_outcome::unknown;
}

std::vector<boot_row> boot_rows(const urec *list, const urec *current, const boot_ends &ends,
                                const std::string &running_id, const time_range &range,
                                int64_t running_suspended)
{
	std::vector<const urec *> records;
	for (const urec *rec = list; rec; rec = rec->next)
		records.push_back(rec);
	// Oldest first; of one boot time, the running boot last.
	std::stable_sort(records.begin(), records.end(), [current](const urec *a, const urec *b) {
		if (a->boot_time != b->boot_time)
			return a->boot_time < b->boot_time;
		return a != current && b == current;
	});
	std::vector<boot_row> rows;
	rows.reserve(records.size());
	bool first = true;
	int64_t previous_end = 0;
	for (const urec *rec : records) {
		auto start = static_cast<int64_t>(rec->boot_time);
		int64_t end = clamped_sum(start, rec->uptime);
		bool had_previous = !first;
		int64_t before = previous_end;
		first = false;
		previous_end = end;
		if (start >= range.until || (start < range.since && end <= range.since))
			continue;
		boot_row row{};
		row.rec = rec;
		row.start = std::max(start, range.since);
		row.end = std::min(end, range.until);
		int64_t down_from = std::max(before, range.since);
		row.downtime = had_previous && row.start > down_from ? row.start - down_from : 0;
		row.outcome = outcome_of(rec, current, ends);
		if (rec == current) {
			row.boot_id = running_id;
			row.source = "recorder";
		} else {
			row.source = "";
		}
		row.suspended = suspended_seconds(*rec, current, ends, running_suspended);
		rows.push_back(std::move(row));
	}
	return rows;
}
