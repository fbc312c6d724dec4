// format_duration.cpp - a duration as text for a person.
//
// time2uptime writes at most 19 characters for any int64_t value, in the
// first of these forms that fits (see FORMAT.md):
//   "D days, HH:MM:SS"   "0 days, 00:00:05", "1 day, 02:03:04"
//   "D days"             "12345678 days"
//   "Y years"            whole years of 365 days: "292471208677 years"
// A negative value is the text of its magnitude with a leading "-".
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "corvane_store.h"

namespace
{

// Longest text that time2uptime gives.
constexpr std::size_t max_text = 19;

// The text that the last call of time2uptime gave.
char duration_text[max_text + 1];

const char *plural(uint64_t n, const char *one, const char *many)
{
	return n == 1 ? one : many;
}

} // namespace

extern "C" char *time2uptime(int64_t seconds)
{
	const char *sign = seconds < 0 ? "-" : "";
	// The magnitude, computed in unsigned arithmetic so that INT64_MIN has one.
	uint64_t magnitude =
	    seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
	uint64_t days = magnitude / 86400;
	uint64_t rest = magnitude % 86400;
	unsigned hours = static_cast<unsigned>(rest / 3600);
	unsigned minutes = static_cast<unsigned>(rest / 60 % 60);
	unsigned secs = static_cast<unsigned>(rest % 60);

	// Room for the longest text of each form, to measure it before keeping it.
	char text[64];
	int len = std::snprintf(text, sizeof text, "%s%llu %s, %02u:%02u:%02u", sign,
	                        static_cast<unsigned long long>(days), plural(days, "day", "days"),
	                        hours, minutes, secs);
	if (len < 0 || static_cast<std::size_t>(len) > max_text)
		len = std::snprintf(text, sizeof text, "%s%llu %s", sign,
		                    static_cast<unsigned long long>(days),
		                    plural(days, "day", "days"));
	if (len < 0 || static_cast<std::size_t>(len) > max_text) {
		uint64_t years = days / 365;
		// At most 19 characters: INT64_MIN is 292471208677 years.
		std::snprintf(text, sizeof text, "%s%llu %s", sign,
		              static_cast<unsigned long long>(years),
		              plural(years, "year", "years"));
	}
	std::memcpy(duration_text, text, max_text);
	duration_text[max_text] = '\0';
	return duration_text;
}
