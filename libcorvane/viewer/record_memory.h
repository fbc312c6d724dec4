// record_memory.h - making and freeing records, for the parts of the library
// that add them.
#ifndef CORVANE_RECORD_MEMORY_H
#define CORVANE_RECORD_MEMORY_H

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

// Frees every block of records at once, and starts again from calloc: every
// record of a block is gone then, whatever links it.
void forget_record_memory();

} // namespace corvane

#endif // CORVANE_RECORD_MEMORY_H
