#include "report/dates.h"

#include <cstdio>
#include <cstring>

// Shown for a time value too far from now for a calendar date.
static const char no_date[] = "     (date out of range)\n";

static const char *const weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char *date_text(time_t when)
{
	// ctime's text, made as ctime makes it from the local time.  ctime
	// itself looks for a changed time zone file on every call, a system
	// call per row of a long report, and its reentrant form gives up on
	// years of five digits.
	static char text[date_size];
	struct tm local;
	if (localtime_r(&when, &local) == nullptr || local.tm_wday < 0 || local.tm_wday > 6 ||
	    local.tm_mon < 0 || local.tm_mon > 11)
		return no_date;
	std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n",
	              weekdays[local.tm_wday], months[local.tm_mon], local.tm_mday, local.tm_hour,
	              local.tm_min, local.tm_sec, static_cast<long long>(local.tm_year) + 1900);
	return text;
}

const char *short_date_text(time_t when, char (&buffer)[date_size])
{
	const char *text = date_text(when);
	size_t length = std::strcspn(text, "\n");
	std::memcpy(buffer, text, length);
	buffer[length] = '\0';
	return buffer;
}
