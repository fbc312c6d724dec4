// store_line.cpp - reading one line of the records store.
#include "store/store_line.h"

#include <cstring>
#include <ctime>
#include <limits>

namespace corvane
{

namespace
{

// Reads plain decimal digits from p up to the first ':' before end; false for
// anything else (no digit, a sign, a blank, no ':', overflow).
bool read_number(const char *&p, const char *end, int64_t &value)
{
	const char *start = p;
	int64_t n = 0;
	while (p < end && *p >= '0' && *p <= '9') {
		if (__builtin_mul_overflow(n, 10, &n) || __builtin_add_overflow(n, *p - '0', &n))
			return false;
		p++;
	}
	if (p == start || p == end || *p != ':')
		return false;
	p++;
	value = n;
	return true;
}

} // namespace

bool storable_times(int64_t uptime, int64_t boot_time)
{
	int64_t end_time = 0;
	if (uptime < 0 || boot_time < 0 || boot_time >= time_limit ||
	    __builtin_add_overflow(boot_time, uptime, &end_time) || end_time >= time_limit)
		return false;
	if constexpr (sizeof(time_t) < sizeof(int64_t)) {
		// A narrow time_t ends the range sooner.
		if (end_time > std::numeric_limits<time_t>::max())
			return false;
	}
	return true;
}

bool read_store_line(const char *line, std::size_t len, stored_boot &boot)
{
	if (len > 0 && line[len - 1] == '\r')
		len--;
	if (len == 0 || len > max_line || line[0] == '#')
		return false;
	if (std::memchr(line, '\0', len))
		return false;
	const char *p = line;
	const char *end = line + len;
	if (!read_number(p, end, boot.uptime) || !read_number(p, end, boot.boot_time))
		return false;
	if (!storable_times(boot.uptime, boot.boot_time))
		return false;
	boot.sysinfo = p;
	boot.sysinfo_len = static_cast<std::size_t>(end - p);
	return true;
}

} // namespace corvane
