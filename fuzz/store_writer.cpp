// store_writer.cpp - fuzz target: the records store's writer on any store.
//
// The store read, written again with write_records and read back holds every
// record that the list held, with the same values.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"

namespace
{

struct values {
	int64_t uptime;
	time_t boot_time;
	std::string sysinfo;

	bool operator==(const values &) const = default;
};

std::vector<values> list_values()
{
	std::vector<values> out;
	for (const urec *rec = urec_list; rec != nullptr; rec = rec->next)
		out.push_back({rec->uptime, rec->boot_time, rec->sysinfo});
	return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	static const std::string store = fuzz::scratch_dir() + "/records";
	static const std::string written = fuzz::scratch_dir() + "/written";
	fuzz::put_file(store, data, size);
	setenv("CORVANE_RECORDS", store.c_str(), 1);

	corvane_forget_records();
	fuzz::check(read_records_checked(-1) == 0, "a plain store was not read");
	std::vector<values> held = list_values();

	fuzz::check(fuzz::write_store(written) == 0,
	            "write_records refused records that the reader read");

	corvane_forget_records();
	setenv("CORVANE_RECORDS", written.c_str(), 1);
	fuzz::check(read_records_checked(-1) == 0, "the written store was not read");
	fuzz::check(list_values() == held, "the written store reads back other records");
	corvane_forget_records();
	return 0;
}
