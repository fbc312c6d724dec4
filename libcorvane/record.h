// record.h - making records, for the parts of the library that add them.
#ifndef CORVANE_RECORD_H
#define CORVANE_RECORD_H

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "corvane.h"

namespace corvane
{

// A zeroed record allocated with calloc (so that free releases it), holding
// the values and the first len bytes of text cut to SYSMAX; not linked
// anywhere.  NULL when memory is short.
urec *new_urec(int64_t uptime, time_t boot_time, const char *text, std::size_t len);

} // namespace corvane

#endif // CORVANE_RECORD_H
