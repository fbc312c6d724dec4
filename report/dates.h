#ifndef VELLIPO_DATES_H
#define VELLIPO_DATES_H

#include <ctime>

// Width of a date text, without its line end.
constexpr int date_width = 24;

// ctime's text of a time value: 24 characters and a line end.  A value that
// ctime cannot show gives a placeholder of the same shape.
const char *date_text(time_t when);

// The date cut to its 24 characters, in the caller's buffer.
const char *short_date_text(time_t when, char (&buffer)[date_width + 1]);

#endif
