// store_reader.cpp - fuzz target: the records store's reader on any bytes.
//
// Whatever the store holds, the list that read_records_checked leaves is in
// boot time order, holds one record of each boot time, and every record is
// one that a line of the store could hold.
#include <cstdint>
#include <cstring>
#include <string>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	static const std::string store = fuzz::scratch_dir() + "/records";
	fuzz::put_file(store, data, size);
	setenv("CORVANE_RECORDS", store.c_str(), 1);

	corvane_forget_records();
	// A boot time that no line can hold: every stored boot is read.
	fuzz::check(read_records_checked(-1) == 0, "a plain store was not read");
	const urec *before = nullptr;
	for (const urec *rec = urec_list; rec != nullptr; rec = rec->next) {
		fuzz::check(rec->uptime >= 0 && rec->boot_time >= 0, "a negative number was read");
		fuzz::check(rec->downtime >= 0, "a negative downtime");
		fuzz::check(std::strlen(rec->sysinfo) <= SYSMAX, "a text longer than SYSMAX");
		fuzz::check(std::strchr(rec->sysinfo, '\n') == nullptr, "a line end in a text");
		if (before != nullptr)
			fuzz::check(before->boot_time < rec->boot_time,
			            "records out of boot time order, or two of one boot time");
		before = rec;
	}
	corvane_forget_records();
	return 0;
}
