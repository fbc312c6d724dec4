// release_summary.cpp - the history by system text, and how the boots ended.
#include "recorder/history_view/release_summary.h"

#include <algorithm>
#include <map>

#include "recorder/store_range.h"

namespace
{

void count_end(boot_outcome outcome, int64_t *clean, int64_t *unclean, int64_t *unknown,
               int64_t *running)
{
	switch (outcome) {
	case boot_outcome::clean:
		++*clean;
		break;
	case boot_outcome::unclean:
		++*unclean;
		break;
	case boot_outcome::unknown:
		++*unknown;
		break;
	case boot_outcome::running:
		++*running;
		break;
	}
}

} // namespace

std::vector<release_line> release_summary(const std::vector<boot_row> &rows)
{
	std::vector<release_line> lines;
	std::map<std::string, std::size_t> index;
	for (std::size_t i = 0; i < rows.size(); i++) {
		const boot_row &row = rows[i];
		auto [at, added] = index.emplace(row.rec->sysinfo, lines.size());
		if (added) {
			lines.emplace_back();
			lines.back().system = row.rec->sysinfo;
		}
		release_line &line = lines[at->second];
		int64_t up = row.end - row.start;
		int64_t time =
		    i + 1 < rows.size() ? std::max(rows[i + 1].start - row.start, up) : up;
		line.boots++;
		count_end(row.outcome, &line.clean, &line.unclean, &line.unknown, &line.running);
		line.longest = std::max(line.longest, up);
		line.uptime = clamped_sum(line.uptime, up);
		line.time = clamped_sum(line.time, time);
	}
	return lines;
}

ends_summary summary_of_ends(const std::vector<boot_row> &rows)
{
	ends_summary s;
	for (std::size_t i = 0; i < rows.size(); i++) {
		const boot_row &row = rows[i];
		int64_t up = row.end - row.start;
		s.startups++;
		count_end(row.outcome, &s.clean, &s.unclean, &s.unknown, &s.running);
		s.longest_uptime = std::max(s.longest_uptime, up);
		s.total_uptime = clamped_sum(s.total_uptime, up);
		if (i > 0 || row.downtime > 0) {
			s.downtimes++;
			s.longest_downtime = std::max(s.longest_downtime, row.downtime);
			s.total_downtime = clamped_sum(s.total_downtime, row.downtime);
		}
		if (row.suspended) {
			s.asleep_boots++;
			s.asleep_uptime = clamped_sum(s.asleep_uptime, up);
			s.suspended = clamped_sum(s.suspended, std::min(*row.suspended, up));
		}
	}
	return s;
}

int64_t average(int64_t total, int64_t count)
{
	return count > 0 ? total / count : 0;
}
