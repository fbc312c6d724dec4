// history_values.h - the values that the journal and the login database
// hold as the store takes them.
#ifndef CORVANE_RECORD_HISTORY_VALUES_H
#define CORVANE_RECORD_HISTORY_VALUES_H

#include <cstdint>
#include <string>
#include <string_view>

// Seconds of a count of microseconds, rounded down.
inline int64_t seconds_of(int64_t usec)
{
	int64_t seconds = usec / 1000000;
	return usec % 1000000 < 0 ? seconds - 1 : seconds;
}

// A kernel release as a source holds it, cut at its first byte that is not
// printable ASCII other than a blank: a control character (a line end there
// would end the store's line, an escape sequence would reach a terminal), a
// blank (a release is one word) or a byte of a non-ASCII letter.  cut tells
// whether anything was cut away.  The one rule of every source's reader:
// the login accounting file's, the login database's and the journal's.
inline std::string cut_release(std::string_view text, bool &cut)
{
	std::size_t end = 0;
	while (end < text.size() && text[end] > ' ' && text[end] < 0x7f)
		end++;
	cut = end < text.size();
	return std::string(text.substr(0, end));
}

#endif // CORVANE_RECORD_HISTORY_VALUES_H
