// merge_import.cpp - fuzz target: the merge of the history sources' boots
// and their import into the store's list.
//
// The input is one item a line:
//
//   stored START UPTIME            a record of the store
//   current START UPTIME ID        the running boot's record and its boot id
//   SOURCE START UPTIME BOUNDED ID END [RELEASE]
//                                  a boot of source SOURCE (0 to 3): BOUNDED
//                                  1 or 0, ID "-" for none, END "clean",
//                                  "unclean" or anything else for unknown
//
// Whatever the boots, the merge gives each boot id one boot, in order of
// start; the import counts each merged boot once for each source that
// remembers it, never adds a boot that overlaps another record of the list,
// and adds only records that the store can hold.  And so when the merged
// boots are imported in two parts, whatever the parts.
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"
#include "recorder/history/history_sources.h"
#include "recorder/history/import_boots.h"
#include "recorder/history/merge_history.h"
#include "recorder/store_range.h"

namespace
{

constexpr std::size_t max_sources = 4;
constexpr std::size_t max_lines = 64;

struct input {
	std::vector<std::pair<int64_t, int64_t>> stored; // uptime, start
	bool has_current = false;
	std::pair<int64_t, int64_t> current = {0, 0};
	std::string current_id;
	std::vector<std::vector<past_boot>> lists;
};

input read_input(const uint8_t *data, std::size_t size)
{
	input in;
	in.lists.resize(max_sources);
	std::size_t n = 0;
	for (const fuzz::input_line &line : fuzz::lines_of(data, size)) {
		const auto &w = line.words;
		if (w.empty() || ++n > max_lines)
			continue;
		// Uptimes of the store are never negative.
		int64_t start = fuzz::number_of(w, 1);
		int64_t uptime = fuzz::number_of(w, 2);
		if (w[0] == "stored") {
			in.stored.emplace_back(std::max<int64_t>(uptime, 0), start);
		} else if (w[0] == "current") {
			in.has_current = true;
			in.current = {std::max<int64_t>(uptime, 0), start};
			in.current_id = w.size() > 3 ? w[3] : "";
		} else if (w[0].size() == 1 && w[0][0] >= '0' &&
		           w[0][0] < static_cast<char>('0' + max_sources)) {
			past_boot b = {start, uptime, fuzz::number_of(w, 3) != 0, ""};
			if (!b.bounded)
				b.uptime = 0;
			b.boot_id = w.size() > 4 && w[4] != "-" ? w[4] : "";
			std::string end = w.size() > 5 ? w[5] : "";
			b.end = end == "clean"     ? boot_end::clean
			        : end == "unclean" ? boot_end::unclean
			                           : boot_end::unknown;
			b.release = w.size() > 6 ? w[6] : "";
			in.lists[static_cast<std::size_t>(w[0][0] - '0')].push_back(b);
		}
	}
	return in;
}

// Makes the store's list of the input, the running boot's record first.
void make_list(const input &in)
{
	corvane_forget_records();
	u_current = nullptr;
	for (const auto &[uptime, start] : in.stored)
		add_urec(uptime, static_cast<time_t>(start), "stored");
	if (in.has_current)
		u_current =
		    add_urec(in.current.first, static_cast<time_t>(in.current.second), "now");
}

struct record_span {
	int64_t start;
	int64_t end;
	bool imported;
};

// Checks that no record that the import added overlaps another record: one
// starts before the other ends (a boot that starts in the second another
// ends in does not), or both start at once.
void check_no_overlap()
{
	std::vector<record_span> spans;
	for (const urec *rec = urec_list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		bool imported = std::strcmp(rec->sysinfo, "stored") != 0 &&
		                std::strcmp(rec->sysinfo, "now") != 0;
		spans.push_back({start, clamped_sum(start, rec->uptime), imported});
		if (imported)
			fuzz::check(fits_store(start, rec->uptime),
			            "a record imported that the store cannot hold");
	}
	for (std::size_t i = 0; i < spans.size(); i++)
		for (std::size_t j = 0; j < spans.size(); j++)
			if (i != j && spans[i].imported)
				fuzz::check((spans[i].start >= spans[j].end ||
				             spans[j].start >= spans[i].end) &&
				                spans[i].start != spans[j].start,
				            "an imported boot overlaps another record");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	input in = read_input(data, size);

	// The merge.
	std::vector<merged_boot> merged = merge_histories(in.lists);
	std::set<std::string> ids;
	int64_t remembered = 0;
	for (std::size_t i = 0; i < merged.size(); i++) {
		const merged_boot &m = merged[i];
		if (i > 0)
			fuzz::check(merged[i - 1].boot.boot_time <= m.boot.boot_time,
			            "merged boots out of order");
		if (!m.boot.boot_id.empty())
			fuzz::check(ids.insert(m.boot.boot_id).second,
			            "a boot id in two merged boots");
		fuzz::check(m.sources != 0 && (m.sources >> max_sources) == 0 &&
		                (m.sources & (uint32_t{1} << m.source)) != 0,
		            "a merged boot of sources that do not remember it");
		fuzz::check(!m.boot.bounded || m.boot.uptime >= 0, "a negative merged uptime");
		remembered += __builtin_popcount(m.sources);
	}
	for (const auto &list : in.lists)
		for (const past_boot &b : list)
			fuzz::check(b.boot_id.empty() || ids.count(b.boot_id) == 1,
			            "a boot id lost in the merge");

	// The import of every source at once.
	std::vector<history_read> reads;
	for (std::size_t s = 0; s < max_sources; s++)
		reads.push_back({history_kind::journal, "fuzz", history_status::read, in.lists[s]});
	make_list(in);
	boot_ends ends;
	bool changed = false;
	import_histories(reads, "Linux", &ends, &changed, in.current_id.c_str());
	int64_t counted = 0;
	for (const history_read &r : reads) {
		const import_counts &c = r.counts;
		fuzz::check(c.imported >= 0 && c.known >= 0 && c.skipped >= 0 && c.cut >= 0 &&
		                c.cut <= c.imported,
		            "a negative count");
		counted += c.imported + c.known + c.skipped;
	}
	fuzz::check(counted == remembered, "a merged boot not counted once for each source");
	check_no_overlap();

	// The merged boots in two imports, split where the input's size says.
	std::vector<past_boot> boots;
	for (const merged_boot &m : merged)
		boots.push_back(m.boot);
	std::size_t split = boots.empty() ? 0 : size % (boots.size() + 1);
	make_list(in);
	const char *id = in.current_id.c_str();
	import_counts a =
	    import_boots({boots.begin(), boots.begin() + static_cast<std::ptrdiff_t>(split)}, "L",
	                 nullptr, nullptr, id);
	import_counts b =
	    import_boots({boots.begin() + static_cast<std::ptrdiff_t>(split), boots.end()}, "L",
	                 nullptr, nullptr, id);
	fuzz::check(a.imported + a.known + a.skipped + b.imported + b.known + b.skipped ==
	                static_cast<int64_t>(boots.size()),
	            "a boot of two imports not counted once");
	check_no_overlap();

	// Written as the records of a new store.
	static const std::string store = fuzz::scratch_dir() + "/no-store";
	static const std::string written = fuzz::scratch_dir() + "/written";
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	bool storable = true;
	for (const urec *rec = urec_list; rec; rec = rec->next)
		storable = storable && fits_store(rec->boot_time, rec->uptime);
	if (storable)
		fuzz::check(fuzz::write_store(written) == 0,
		            "write_records refused an imported record");
	u_current = nullptr;
	corvane_forget_records();
	return 0;
}
