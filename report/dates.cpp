#include "report/dates.h"

#include <cstring>

// Shown for a time value too far from now for a calendar date.
static const char no_date[] = "     (date out of range)\n";

const char *date_text(time_t when)
{
	// ctime's text, made with ctime_r: ctime looks for a changed time zone
	// file on every call, which costs a system call per row of a long
	// report.  A year beyond four digits makes a longer text whose first 24
	// characters would show another date: that is no date either.
	static char text[64];
	if (ctime_r(&when, text) == nullptr || std::strlen(text) != date_width + 1)
		return no_date;
	return text;
}

const char *short_date_text(time_t when, char (&buffer)[date_width + 1])
{
	std::memcpy(buffer, date_text(when), date_width);
	buffer[date_width] = '\0';
	return buffer;
}
