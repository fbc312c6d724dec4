// metrics_text.cpp - fuzz target: the metrics for Prometheus of any store
// and ends file.
//
// The input is a store, then a line "--" and the ends file; the newest
// record is the running boot's, unless the input starts with "!".  Whatever
// the records, the figures hold together (the rank among the boots, the
// ends no more than the ended boots, the availability a ratio) and the
// metrics text is Prometheus' text format: each metric a HELP and a TYPE
// line once, then its samples, every name corvane_*, every value a number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"
#include "recorder/boot_state/boot_ends.h"
#include "recorder/boot_state/figures.h"
#include "recorder/boot_state/metrics.h"

namespace
{

bool metric_name(const std::string &name)
{
	if (name.rfind("corvane_", 0) != 0 || name.size() == 8)
		return false;
	for (char c : name)
		if (!((c >= 'a' && c <= 'z') || c == '_'))
			return false;
	return true;
}

// Checks the text line by line.
void check_text(const std::string &text)
{
	fuzz::check(!text.empty() && text.back() == '\n', "the text does not end a line");
	std::set<std::string> helped;
	std::string typed;
	std::size_t start = 0;
	while (start < text.size()) {
		std::size_t end = text.find('\n', start);
		std::string line = text.substr(start, end - start);
		start = end + 1;
		if (line.rfind("# HELP ", 0) == 0) {
			std::string name = line.substr(7, line.find(' ', 7) - 7);
			fuzz::check(metric_name(name), "a HELP line of a bad name");
			fuzz::check(helped.insert(name).second, "a metric's HELP line twice");
			continue;
		}
		if (line.rfind("# TYPE ", 0) == 0) {
			typed = line.substr(7, line.find(' ', 7) - 7);
			fuzz::check(helped.count(typed) == 1 &&
			                line == "# TYPE " + typed + " gauge",
			            "a TYPE line not of the metric helped, or not a gauge");
			continue;
		}
		std::size_t blank = line.find(' ');
		fuzz::check(blank != std::string::npos, "a sample without a value");
		std::string name = line.substr(0, std::min(blank, line.find('{')));
		fuzz::check(name == typed, "a sample of a metric without its HELP and TYPE");
		std::string value = line.substr(blank + 1);
		char *rest = nullptr;
		double number = std::strtod(value.c_str(), &rest);
		fuzz::check(!value.empty() && *rest == '\0' && std::isfinite(number) && number >= 0,
		            "a value that is not a number of zero or more");
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::string input(reinterpret_cast<const char *>(data), size);
	bool running = input.rfind("!", 0) != 0;
	std::size_t cut = input.find("\n--\n");
	std::string store_text = input.substr(0, cut);
	std::string ends_text = cut == std::string::npos ? "" : input.substr(cut + 4);

	static const std::string store = fuzz::scratch_dir() + "/records";
	fuzz::put_file(store, reinterpret_cast<const uint8_t *>(store_text.data()),
	               store_text.size());
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	corvane_forget_records();
	fuzz::check(read_records_checked(-1) == 0, "a plain store was not read");
	const urec *current = nullptr;
	for (const urec *rec = urec_list; rec && running; rec = rec->next)
		current = rec; // in boot time order: the newest last
	boot_ends ends;
	parse_boot_ends(ends_text, ends);

	record_figures f = figures_of(urec_list, current, ends);
	int64_t boots = 0;
	for (const urec *rec = urec_list; rec; rec = rec->next)
		boots++;
	fuzz::check(f.boots == boots, "the boots miscounted");
	fuzz::check(f.clean >= 0 && f.unclean >= 0 && f.unknown >= 0 &&
	                f.clean + f.unclean + f.unknown == boots - (current ? 1 : 0),
	            "the ends of the ended boots miscounted");
	fuzz::check(current ? f.rank >= 1 && f.rank <= boots : f.rank == 0, "a rank out of range");
	fuzz::check(f.availability >= 0 && f.availability <= 1, "an availability beyond 0 to 1");
	fuzz::check(f.total_uptime >= 0 && f.total_downtime >= 0 && f.longest >= 0,
	            "a negative sum");
	check_text(metrics_text(f));
	corvane_forget_records();
	return 0;
}
