// record_list.cpp - the list of records and adding a record to it.
#include <cstdint>
#include <cstring>

#include "corvane_store.h"
#include "internal.h"
#include "writing/move_urec.h"
#include "viewer/record_memory.h"

// Head of the list of all records, the running boot's included; NULL until
// the first record is added.
struct urec *urec_list = nullptr;

extern "C" struct urec *add_urec(int64_t uptime, time_t boot_time, const char *sysinfo)
{
	const char *text = sysinfo ? sysinfo : "";
	urec *rec = corvane::new_urec(uptime, boot_time, text, strnlen(text, SYSMAX));
	if (!rec)
		return nullptr;
	rec->next = urec_list;
	urec_list = rec;
	return rec;
}

extern "C" void corvane_forget_records(void)
{
	urec *rec = urec_list;
	while (rec) {
		urec *next = rec->next;
		corvane::free_urec(rec);
		rec = next;
	}
	urec_list = nullptr;
	corvane::forget_record_memory();
	corvane::forget_moves();
}
