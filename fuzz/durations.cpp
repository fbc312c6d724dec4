// durations.cpp - fuzz target: the duration reader and writer.
//
// scantime takes any text and gives a duration that is never negative; a
// text of digits alone is seconds.  time2uptime writes any value in at most
// 19 characters, and its text tells the value again: in full, or its whole
// days or years.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"

namespace
{

constexpr int64_t day = 86400;
constexpr int64_t year = 365 * day;

// Whether the text of time2uptime stands for seconds.
bool tells(const char *text, int64_t seconds)
{
	bool negative = text[0] == '-';
	// The magnitude of INT64_MIN does not fit int64_t: it is held unsigned.
	uint64_t magnitude =
	    negative ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
	const char *p = negative ? text + 1 : text;
	unsigned long long count = 0;
	unsigned hours = 0, minutes = 0, secs = 0;
	char word[8] = {};
	int used = 0;
	if (std::sscanf(p, "%llu %7[a-z], %2u:%2u:%2u%n", &count, word, &hours, &minutes, &secs,
	                &used) == 5 &&
	    p[used] == '\0')
		return (std::strcmp(word, count == 1 ? "day" : "days") == 0) && hours < 24 &&
		       minutes < 60 && secs < 60 &&
		       magnitude == count * day + hours * 3600 + minutes * 60 + secs;
	if (std::sscanf(p, "%llu %7[a-z]%n", &count, word, &used) == 2 && p[used] == '\0') {
		if (std::strcmp(word, count == 1 ? "day" : "days") == 0)
			return magnitude / day == count;
		if (std::strcmp(word, count == 1 ? "year" : "years") == 0)
			return magnitude / year == count;
	}
	return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::string text(reinterpret_cast<const char *>(data), size);
	int64_t seconds = scantime(text.c_str());
	fuzz::check(seconds >= 0, "scantime gave a negative duration");
	std::size_t length = std::strlen(text.c_str());
	if (length > 0 && length <= 18 && std::strspn(text.c_str(), "0123456789") == length)
		fuzz::check(seconds ==
		                static_cast<int64_t>(std::strtoll(text.c_str(), nullptr, 10)),
		            "a number alone is not its seconds");

	// The first eight bytes, as a value to write.
	int64_t value = 0;
	if (size > 0)
		std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
	const char *written = time2uptime(value);
	fuzz::check(written != nullptr && std::strlen(written) <= 19,
	            "time2uptime wrote more than 19 characters");
	fuzz::check(tells(written, value), "time2uptime wrote another duration");
	return 0;
}
