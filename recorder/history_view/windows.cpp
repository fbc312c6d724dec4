// windows.cpp - the uptime and the downtime of the history inside a range.
#include "recorder/history_view/windows.h"

#include <algorithm>
#include <vector>

#include "recorder/store_range.h"

std::vector<boot_span> spans_of(const urec *list)
{
	std::vector<boot_span> boots;
	for (const urec *rec = list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		boots.push_back({start, clamped_sum(start, std::max<int64_t>(rec->uptime, 0))});
	}
	std::sort(boots.begin(), boots.end(), [](const boot_span &a, const boot_span &b) {
		return a.start < b.start || (a.start == b.start && a.end < b.end);
	});
	return boots;
}

range_time time_in_range(const urec *list, const time_range &range)
{
	return time_in_spans(spans_of(list), range);
}

range_time time_in_spans(const std::vector<boot_span> &boots, const time_range &range)
{
	range_time t;
	if (boots.empty())
		return t;
	// The latest end of a boot: a boot after the range still tells that
	// the machine was down from the last end inside it up to the range's.
	int64_t last_end = boots.front().end;
	for (const boot_span &b : boots)
		last_end = std::max(last_end, b.end);
	t.from = std::max(range.since, boots.front().start);
	t.to = std::min(range.until, last_end);
	if (t.to <= t.from) {
		t.to = t.from;
		return t;
	}
	// The union of the boots, cut to [from, to).
	int64_t covered = t.from; // up to here counted already
	for (const boot_span &b : boots) {
		if (b.start >= t.to)
			break; // the boots after it start later still
		int64_t start = std::max(b.start, covered);
		int64_t end = std::min(b.end, t.to);
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
