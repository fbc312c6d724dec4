// records.cpp - the list of records and adding a record to it.
#include <cstdlib>
#include <cstring>

#include "corvane.h"
#include "internal.h"
#include "record.h"
#include "text.h"

// Head of the list of all records, the running boot's included; NULL until
// the first record is added.
struct urec *urec_list = nullptr;

namespace corvane
{

urec *new_urec(int64_t uptime, time_t boot_time, const char *text, std::size_t len)
{
	auto *rec = static_cast<urec *>(std::calloc(1, sizeof(urec)));
	if (!rec)
		return nullptr;
	rec->uptime = uptime;
	rec->boot_time = boot_time;
	rec->downtime = 0;
	copy_text(rec->sysinfo, text, len);
	rec->next = nullptr;
	return rec;
}

} // namespace corvane

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
		std::free(rec);
		rec = next;
	}
	urec_list = nullptr;
}
