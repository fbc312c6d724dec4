// record.h - making records, for the parts of the library that add them.
#ifndef CORVANE_RECORD_H
#define CORVANE_RECORD_H

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "corvane_store.h"

namespace corvane
{

// A new record holding the values and the first len bytes of text cut to
// SYSMAX; not linked anywhere.  NULL when memory is short.
urec *new_urec(int64_t uptime, time_t boot_time, const char *text, std::size_t len);

// Releases a record that new_urec made and nothing links any longer.
void free_urec(urec *rec);

} // namespace corvane

#endif // CORVANE_RECORD_H
