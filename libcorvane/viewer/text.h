// text.h - the fixed-size texts of records and milestones.
#ifndef CORVANE_TEXT_H
#define CORVANE_TEXT_H

#include <cstddef>
#include <cstring>

#include "corvane_store.h"

namespace corvane
{

// Copies the first len bytes of src, cut to SYSMAX bytes, into dst, which
// has room for SYSMAX bytes and the terminating NUL.
inline void copy_text(char *dst, const char *src, std::size_t len)
{
	if (len > SYSMAX)
		len = SYSMAX;
	if (len > 0)
		std::memcpy(dst, src, len);
	dst[len] = '\0';
}

// Copies a NUL-terminated text (NULL gives "") cut to SYSMAX bytes.
inline void copy_text(char *dst, const char *src)
{
	copy_text(dst, src ? src : "", src ? strnlen(src, SYSMAX) : 0);
}

} // namespace corvane

#endif // CORVANE_TEXT_H
