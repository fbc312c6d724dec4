// history_values.h - the values that the journal and the login database
// hold as the store takes them.
#ifndef CORVANE_RECORD_HISTORY_VALUES_H
#define CORVANE_RECORD_HISTORY_VALUES_H

#include <algorithm>
#include <cstdint>
#include <string>

// Seconds of a count of microseconds, rounded down.
inline int64_t seconds_of(int64_t usec)
{
	int64_t seconds = usec / 1000000;
	return usec % 1000000 < 0 ? seconds - 1 : seconds;
}

// A kernel release as a source holds it, or "" when it is not one word of
// printable ASCII: a line end in it would break the store's line.
inline std::string screened_release(const std::string &text)
{
	bool word =
	    std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
	return word ? text : "";
}

#endif // CORVANE_RECORD_HISTORY_VALUES_H
