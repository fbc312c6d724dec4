// parse_duration.cpp - reading a duration that a person wrote.
//
// The syntax (see FORMAT.md): blanks, then one or more items, each a number
// of decimal digits followed by a unit, blanks allowed between and around
// them, then at most one line end ("\n" or "\r\n").  A number alone, without
// a unit, is seconds.  Units are lowercase:
//   y year years (365 days)   w week weeks   d day days
//   h hour hours   m min mins minute minutes   s sec secs second seconds
// Anything else gives 0, and so does a total beyond INT64_MAX.
#include <cstdint>
#include <cstring>

#include "corvane_store.h"

namespace
{

// A word naming a unit of time, and the seconds in that unit.
struct unit {
	const char *name;
	int64_t seconds;
};

// Every word that names a unit.
constexpr unit units[] = {
    {"y", 31536000},  {"year", 31536000}, {"years", 31536000}, {"w", 604800},
    {"week", 604800}, {"weeks", 604800},  {"d", 86400},        {"day", 86400},
    {"days", 86400},  {"h", 3600},        {"hour", 3600},      {"hours", 3600},
    {"m", 60},        {"min", 60},        {"mins", 60},        {"minute", 60},
    {"minutes", 60},  {"s", 1},           {"sec", 1},          {"secs", 1},
    {"second", 1},    {"seconds", 1},
};

bool is_blank(char c)
{
	return c == ' ' || c == '\t';
}

bool is_digit(char c)
{
	return c >= '0' && c <= '9';
}

bool is_lower(char c)
{
	return c >= 'a' && c <= 'z';
}

void skip_blanks(const char *&p)
{
	while (is_blank(*p))
		p++;
}

// Reads the digits at p; false for none or too many.
bool read_number(const char *&p, int64_t &value)
{
	if (!is_digit(*p))
		return false;
	int64_t n = 0;
	for (; is_digit(*p); p++) {
		if (__builtin_mul_overflow(n, 10, &n) || __builtin_add_overflow(n, *p - '0', &n))
			return false;
	}
	value = n;
	return true;
}

// Reads the word at p as a unit; false for no word or an unknown one.
bool read_unit(const char *&p, int64_t &seconds)
{
	const char *start = p;
	while (is_lower(*p))
		p++;
	std::size_t len = static_cast<std::size_t>(p - start);
	for (const unit &u : units) {
		if (std::strlen(u.name) == len && std::memcmp(u.name, start, len) == 0) {
			seconds = u.seconds;
			return true;
		}
	}
	return false;
}

// Whether p is at the end of the text, a line end allowed.
bool at_end(const char *p)
{
	if (p[0] == '\r' && p[1] == '\n')
		p += 2;
	else if (p[0] == '\n')
		p++;
	return *p == '\0';
}

} // namespace

extern "C" int64_t scantime(const char *text)
{
	if (!text)
		return 0;
	const char *p = text;
	skip_blanks(p);
	int64_t value = 0;
	if (!read_number(p, value))
		return 0;
	skip_blanks(p);
	if (at_end(p))
		return value; // a number alone: seconds

	int64_t total = 0;
	for (;;) {
		int64_t unit_seconds = 0;
		int64_t seconds = 0;
		if (!read_unit(p, unit_seconds) ||
		    __builtin_mul_overflow(value, unit_seconds, &seconds) ||
		    __builtin_add_overflow(total, seconds, &total))
			return 0;
		skip_blanks(p);
		if (at_end(p))
			return total;
		if (!read_number(p, value))
			return 0;
		skip_blanks(p);
	}
}
