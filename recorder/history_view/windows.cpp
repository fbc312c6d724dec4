// windows.cpp - the uptime and the downtime of the history inside a range.
#include "recorder/history_view/windows.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "recorder/store_range.h"

range_time time_in_range(const urec *list, const time_range &range)
{
	std::vector<std::pair<int64_t, int64_t>> boots; // start, end
	for (const urec *rec = list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		boots.emplace_back(start, clamped_sum(start, std::max<int64_t>(rec->uptime, 0)));
	}
	range_time t;
	if (boots.empty())
		return t;
	std::sort(boots.begin(), boots.end());
	int64_t last_end = boots.front().second;
	for (const auto &b : boots)
		last_end = std::max(last_end, b.second);
	t.from = std::max(range.since, boots.front().first);
	t.to = std::min(range.until, last_end);
	if (t.to <= t.from) {
		t.to = t.from;
		return t;
	}
	// The union of the boots, cut to [from, to).
	int64_t covered = t.from; // up to here counted already
	for (const auto &b : boots) {
		int64_t start = std::max(b.first, covered);
		int64_t end = std::min(b.second, t.to);
		if (end > start) {
			t.uptime += end - start;
			covered = end;
		}
	}
	t.downtime = t.to - t.from - t.uptime;
	return t;
}

double availability_of(const range_time &t)
{
	int64_t whole = t.uptime + t.downtime;
	return whole > 0 ? static_cast<double>(t.uptime) / static_cast<double>(whole) : 1.0;
}

time_range last_days(int64_t now, int days)
{
	return {now - static_cast<int64_t>(days) * 86400, now};
}
