// wtmp_import.cpp - fuzz target: the recorder's import of the boots of a
// login accounting file.
//
// Any file is read without a fault; the import counts each boot of the file
// once and adds only records that the store can hold: write_records takes
// them all.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"
#include "recorder/history/wtmp_history.h"
#include "recorder/history/import_boots.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	static const std::string file = fuzz::scratch_dir() + "/wtmp";
	fuzz::put_file(file, data, size);
	std::vector<past_boot> boots;
	std::string err;
	history_status status = read_wtmp_history(file.c_str(), boots, &err);
	fuzz::check(status == history_status::read || status == history_status::empty ||
	                (status == history_status::unreadable &&
	                 err == "cannot read " + file + ": not a login accounting file" &&
	                 boots.empty()),
	            "a plain file was not read");

	corvane_forget_records();
	import_counts counts = import_boots(boots, "Linux");
	fuzz::check(counts.imported >= 0 && counts.known >= 0 && counts.skipped >= 0 &&
	                counts.imported + counts.known + counts.skipped ==
	                    static_cast<int64_t>(boots.size()),
	            "the import did not count each boot once");
	int64_t listed = 0;
	for (const urec *rec = urec_list; rec != nullptr; rec = rec->next) {
		listed++;
		fuzz::check(rec->uptime >= 0 && rec->boot_time >= 0, "a negative number imported");
		fuzz::check(std::strlen(rec->sysinfo) <= SYSMAX, "a text longer than SYSMAX");
	}
	fuzz::check(listed == counts.imported, "the list holds other records than the imported");

	// Written as the only records of a new store.
	static const std::string store = fuzz::scratch_dir() + "/no-store";
	static const std::string written = fuzz::scratch_dir() + "/written";
	setenv("CORVANE_RECORDS", store.c_str(), 1);
	fuzz::check(fuzz::write_store(written) == 0, "write_records refused an imported record");
	corvane_forget_records();
	return 0;
}
