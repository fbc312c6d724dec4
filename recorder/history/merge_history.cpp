// merge_history.cpp - the boots of several history sources as one list, one
// entry for each boot.
#include "recorder/history/merge_history.h"
#include "recorder/store_range.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

namespace
{

// An entry of a source.
struct member {
	std::size_t source;
	const past_boot *boot;
};

// The entries of one boot; anchor is its start, the earliest of its
// entries' with a boot id (those the window is measured from).
struct group {
	int64_t anchor;
	uint32_t sources = 0;
	std::vector<member> members = {};
};

void add(group &g, std::size_t source, const past_boot &boot)
{
	g.sources |= uint32_t{1} << source;
	g.members.push_back({source, &boot});
}

// The group of the nearest start within the window that has no entry of
// the source yet, or null.
group *nearest(std::multimap<int64_t, std::size_t> &by_start, std::vector<group> &groups,
               const past_boot &boot, std::size_t source)
{
	group *best = nullptr;
	int64_t best_distance = 0;
	auto from = by_start.lower_bound(clamped_sum(boot.boot_time, -same_boot_window));
	auto to = by_start.upper_bound(clamped_sum(boot.boot_time, same_boot_window));
	for (auto it = from; it != to; ++it) {
		group &g = groups[it->second];
		int64_t distance = it->first > boot.boot_time ? it->first - boot.boot_time
		                                              : boot.boot_time - it->first;
		if ((g.sources & (uint32_t{1} << source)) == 0 &&
		    (!best || distance < best_distance)) {
			best = &g;
			best_distance = distance;
		}
	}
	return best;
}

merged_boot combine(group &g)
{
	std::stable_sort(g.members.begin(), g.members.end(),
	                 [](const member &a, const member &b) { return a.source < b.source; });
	merged_boot merged = {*g.members.front().boot, g.members.front().source, g.sources};
	past_boot &boot = merged.boot;
	int64_t end = INT64_MIN;
	int64_t longest = -1;
	for (const member &m : g.members) {
		const past_boot &b = *m.boot;
		boot.boot_time = std::min(boot.boot_time, b.boot_time);
		if (b.bounded) {
			end = std::max(end, clamped_sum(b.boot_time, b.uptime));
			if (b.uptime > longest) {
				longest = b.uptime;
				merged.source = m.source;
			}
		}
		if (boot.boot_id.empty())
			boot.boot_id = b.boot_id;
		if (boot.release.empty() && !b.release.empty()) {
			boot.release = b.release;
			boot.release_cut = b.release_cut;
		}
		if (b.end == boot_end::clean)
			boot.end = boot_end::clean;
		else if (b.end == boot_end::unclean && boot.end == boot_end::unknown)
			boot.end = boot_end::unclean;
	}
	boot.bounded = longest >= 0;
	int64_t uptime = 0;
	if (boot.bounded && __builtin_sub_overflow(end, boot.boot_time, &uptime))
		uptime = INT64_MAX;
	boot.uptime = uptime;
	return merged;
}

} // namespace

std::vector<merged_boot> merge_histories(const std::vector<std::vector<past_boot>> &lists)
{
	std::vector<group> groups;
	std::unordered_map<std::string, std::size_t> by_id;
	std::vector<member> unnamed;
	for (std::size_t source = 0; source < lists.size(); source++) {
		for (const past_boot &boot : lists[source]) {
			if (boot.boot_id.empty()) {
				unnamed.push_back({source, &boot});
				continue;
			}
			auto [it, added] = by_id.try_emplace(boot.boot_id, groups.size());
			if (added)
				groups.push_back({boot.boot_time});
			group &g = groups[it->second];
			g.anchor = std::min(g.anchor, boot.boot_time);
			add(g, source, boot);
		}
	}

	// The entries without a boot id join the nearest boot by start.
	std::multimap<int64_t, std::size_t> by_start;
	for (std::size_t i = 0; i < groups.size(); i++)
		by_start.emplace(groups[i].anchor, i);
	std::stable_sort(unnamed.begin(), unnamed.end(), [](const member &a, const member &b) {
		return a.boot->boot_time < b.boot->boot_time;
	});
	for (const member &m : unnamed) {
		if (group *g = nearest(by_start, groups, *m.boot, m.source)) {
			add(*g, m.source, *m.boot);
		} else {
			by_start.emplace(m.boot->boot_time, groups.size());
			groups.push_back({m.boot->boot_time});
			add(groups.back(), m.source, *m.boot);
		}
	}

	std::vector<merged_boot> merged;
	merged.reserve(groups.size());
	for (group &g : groups)
		merged.push_back(combine(g));
	std::stable_sort(merged.begin(), merged.end(),
	                 [](const merged_boot &a, const merged_boot &b) {
		                 return a.boot.boot_time < b.boot.boot_time;
	                 });
	return merged;
}
