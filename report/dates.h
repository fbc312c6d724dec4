#ifndef VELLIPO_DATES_H
#define VELLIPO_DATES_H

#include <ctime>

// Room for any date text and its line end.
constexpr int date_size = 48;

// ctime's text of a time value: for the years 1000 to 9999, 24 characters
// and a line end.  A value the C library cannot turn into a calendar date
// gives a placeholder of that shape.
const char *date_text(time_t when);

// The date without its line end, in the caller's buffer: ctime's text cut to
// its 24 characters, or, for a year of fewer or more than four digits, the
// whole date rather than a cut one that would name another year.
const char *short_date_text(time_t when, char (&buffer)[date_size]);

#endif
