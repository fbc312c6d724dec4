// import_boots.cpp - adding the boots of the history sources that the store lacks.
#include "recorder/history/import_boots.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <numeric>
#include <string>
#include <unordered_set>
#include <utility>

#include "corvane_store.h"
#include "recorder/store_range.h"

namespace
{

// A boot of the list: its start, its end and its boot id ("" unknown).
struct span {
	int64_t start;
	int64_t end;
	std::string id;
};

// A boot id as the import compares it: the kernel writes it with dashes
// (5b4c3273-82fc-...), the journal without (5b4c327382fc...), either may use
// capitals.
std::string id_key(const std::string &id)
{
	std::string key;
	for (char c : id)
		if (c != '-')
			key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
	return key;
}

// Whether two boots were up at once: one started before the other ended.
// One that starts in the second the other ends in does not overlap it.
bool overlap(const span &a, const span &b)
{
	return (a.start < b.end && b.start < a.end) || (a.start == b.start);
}

// What a record of the list is to a boot offered.
enum class relation {
	none,     // another boot, apart from it
	same,     // the same boot
	conflict, // another boot that it would overlap
};

// Boots of the list in order of start, with the latest end among each and
// those before it, of the boots with a boot id and of those without, to
// tell in log time whether a boot was up at a moment.
class span_list
{
      public:
	// Adds a boot that starts at or after every boot of the list.
	void append(span s)
	{
		int64_t named = named_end_.empty() ? INT64_MIN : named_end_.back();
		int64_t unnamed = unnamed_end_.empty() ? INT64_MIN : unnamed_end_.back();
		if (s.id.empty())
			unnamed = std::max(unnamed, s.end);
		else
			named = std::max(named, s.end);
		named_end_.push_back(named);
		unnamed_end_.push_back(unnamed);
		spans_.push_back(std::move(s));
	}

	// What the boots of the list are to the boot of the span.
	relation relation_to(const span &b) const
	{
		int64_t from = clamped_sum(b.start, -same_boot_window);
		int64_t to = std::max(b.end, clamped_sum(b.start, same_boot_window));
		auto first = std::lower_bound(spans_.begin(), spans_.end(), from,
		                              [](const span &s, int64_t t) { return s.start < t; });
		bool conflict = false;
		for (auto it = first; it != spans_.end() && it->start <= to; ++it) {
			const span &r = *it;
			bool by_ids = !b.id.empty() && !r.id.empty();
			bool near = r.start <= clamped_sum(b.start, same_boot_window);
			bool up_at_start = r.start <= b.start && b.start < r.end;
			if (by_ids && r.id == b.id)
				return relation::same;
			if (!by_ids && (near || up_at_start))
				return relation::same;
			if (overlap(r, b))
				conflict = true;
		}
		// The boots that started before the window and were up after its
		// start.
		if (first != spans_.begin()) {
			auto before = static_cast<std::size_t>(first - spans_.begin()) - 1;
			if (unnamed_end_[before] > b.start)
				return relation::same;
			if (named_end_[before] > b.start) {
				if (b.id.empty())
					return relation::same;
				conflict = true;
			}
		}
		return conflict ? relation::conflict : relation::none;
	}

      private:
	std::vector<span> spans_;
	std::vector<int64_t> named_end_;
	std::vector<int64_t> unnamed_end_;
};

// The records of urec_list as spans in order of start, the one of
// u_current with the running boot's id; current is set when the list holds
// u_current.
span_list list_known(const char *current_id, bool &current)
{
	std::vector<span> spans;
	current = false;
	for (const urec *rec = urec_list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		bool is_current = rec == u_current && current_id;
		current = current || is_current;
		spans.push_back(
		    {start, clamped_sum(start, rec->uptime), is_current ? id_key(current_id) : ""});
	}
	std::stable_sort(spans.begin(), spans.end(),
	                 [](const span &a, const span &b) { return a.start < b.start; });
	span_list known;
	for (span &s : spans)
		known.append(std::move(s));
	return known;
}

} // namespace

import_counts import_boots(const std::vector<past_boot> &boots, const char *sysname,
                           boot_ends *ends, bool *ends_changed, const char *current_id,
                           std::vector<import_outcome> *outcomes)
{
	import_counts counts = {0, 0, 0, 0};
	if (outcomes)
		outcomes->assign(boots.size(), import_outcome::skipped);
	// A run without an import (the timer's) lists no stored boot.
	if (boots.empty())
		return counts;
	bool current = false;
	span_list stored = list_known(current_id, current);
	span_list added;
	std::unordered_set<std::string> ids; // of the boots of the list
	if (current && !id_key(current_id).empty())
		ids.insert(id_key(current_id));
	std::vector<std::size_t> order(boots.size());
	std::iota(order.begin(), order.end(), std::size_t{0});
	std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
		return boots[a].boot_time < boots[b].boot_time;
	});
	for (std::size_t i : order) {
		const past_boot &boot = boots[i];
		span b = {boot.boot_time,
		          boot.bounded
		              ? clamped_sum(boot.boot_time, std::max<int64_t>(boot.uptime, 0))
		              : boot.boot_time,
		          id_key(boot.boot_id)};
		relation to_stored = stored.relation_to(b);
		relation to_added = added.relation_to(b);
		import_outcome outcome;
		if ((!b.id.empty() && ids.count(b.id)) || to_stored == relation::same ||
		    to_added == relation::same) {
			outcome = import_outcome::known;
			counts.known++;
		} else if (!boot.bounded || !fits_store(boot.boot_time, boot.uptime) ||
		           to_stored == relation::conflict || to_added == relation::conflict) {
			outcome = import_outcome::skipped;
			counts.skipped++;
		} else {
			std::string text = sysname;
			if (!text.empty() && !boot.release.empty())
				text += " ";
			text += boot.release;
			if (!add_urec(boot.uptime, static_cast<time_t>(boot.boot_time),
			              text.c_str()))
				throw std::bad_alloc();
			outcome = import_outcome::imported;
			counts.imported++;
			if (ends && boot.end != boot_end::unknown &&
			    ends->ends.emplace(boot.boot_time, boot.end).second && ends_changed)
				*ends_changed = true;
			if (boot.release_cut)
				counts.cut++;
			if (!b.id.empty())
				ids.insert(b.id);
			added.append(std::move(b));
		}
		if (outcomes)
			(*outcomes)[i] = outcome;
	}
	return counts;
}
