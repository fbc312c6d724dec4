// time_range.cpp - the dates that a person types for --since and --until.
#include "recorder/history_view/time_range.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace
{

// Reads exactly n decimal digits at *p into value, moving *p past them.
bool digits(const char **p, int n, int *value)
{
	int v = 0;
	for (int i = 0; i < n; i++) {
		char c = (*p)[i];
		if (c < '0' || c > '9')
			return false;
		v = v * 10 + (c - '0');
	}
	*p += n;
	*value = v;
	return true;
}

bool leap(int year)
{
	return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month)
{
	static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
	return month == 2 && leap(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to the day (the proleptic Gregorian calendar).
int64_t days_from_civil(int64_t y, int m, int d)
{
	y -= m <= 2;
	int64_t era = (y >= 0 ? y : y - 399) / 400;
	int64_t yoe = y - era * 400;
	int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
	int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
	return era * 146097 + doe - 719468;
}

bool epoch_seconds(const char *text, int64_t *when)
{
	if (!*text || *text == ' ' || *text == '+')
		return false;
	errno = 0;
	char *end = nullptr;
	long long value = std::strtoll(text, &end, 10);
	if (errno != 0 || *end || end == text || (*text == '-' && !text[1]))
		return false;
	*when = value;
	return true;
}

// The offset after a time: Z, +HH, +HHMM or +HH:MM (or -), in seconds east.
bool read_offset(const char *p, int *offset)
{
	if (*p == 'Z' && !p[1]) {
		*offset = 0;
		return true;
	}
	if (*p != '+' && *p != '-')
		return false;
	int sign = *p == '-' ? -1 : 1;
	p++;
	int hours = 0, minutes = 0;
	if (!digits(&p, 2, &hours))
		return false;
	if (*p == ':')
		p++;
	if (*p && !digits(&p, 2, &minutes))
		return false;
	if (*p || hours > 23 || minutes > 59)
		return false;
	*offset = sign * (hours * 3600 + minutes * 60);
	return true;
}

} // namespace

bool parse_date(const char *text, int64_t *when, std::string *err)
{
	*err = std::string("cannot read the date '") + text +
	       "': give YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS], ISO 8601 with an offset "
	       "(2026-11-01T08:00:00+01:00) or @SECONDS";
	if (*text == '@')
		return epoch_seconds(text + 1, when);
	const char *p = text;
	int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
	if (!digits(&p, 4, &year) || *p++ != '-' || !digits(&p, 2, &month) || *p++ != '-' ||
	    !digits(&p, 2, &day))
		return false;
	bool has_time = *p == ' ' || *p == 'T';
	if (has_time) {
		p++;
		if (!digits(&p, 2, &hour) || *p++ != ':' || !digits(&p, 2, &minute))
			return false;
		if (*p == ':') {
			p++;
			if (!digits(&p, 2, &second))
				return false;
		}
	}
	bool has_offset = *p != '\0';
	int offset = 0;
	if (has_offset && (!has_time || !read_offset(p, &offset)))
		return false; // an offset follows a time only
	if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 ||
	    minute > 59 || second > 59) {
		*err = std::string("there is no such day or time as '") + text + "'";
		return false;
	}
	if (has_offset) {
		*when = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
		        second - offset;
		return true;
	}
	struct tm tm = {};
	tm.tm_year = year - 1900;
	tm.tm_mon = month - 1;
	tm.tm_mday = day;
	tm.tm_hour = hour;
	tm.tm_min = minute;
	tm.tm_sec = second;
	tm.tm_isdst = -1;
	errno = 0;
	time_t t = std::mktime(&tm);
	if (t == static_cast<time_t>(-1) && errno != 0) {
		*err = std::string("the date '") + text + "' is beyond the C library's calendar";
		return false;
	}
	*when = t;
	return true;
}
