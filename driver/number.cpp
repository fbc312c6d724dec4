#include "driver/number.h"

#include <cctype>

int64_t add_digit(int64_t magnitude, int digit)
{
	constexpr int64_t beyond = INT64_C(1) << 32;
	magnitude = magnitude * 10 + digit;
	return magnitude > beyond ? beyond : magnitude;
}

int32_t saturated_number(bool negative, int64_t magnitude)
{
	int64_t value = negative ? -magnitude : magnitude;
	if (value > INT32_MAX)
		return INT32_MAX;
	if (value < INT32_MIN)
		return INT32_MIN;
	return static_cast<int32_t>(value);
}

int32_t read_number(const char *text)
{
	const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
	while (std::isspace(*p))
		p++;
	bool negative = false;
	if (*p == '+' || *p == '-')
		negative = *p++ == '-';
	int64_t magnitude = 0;
	for (; std::isdigit(*p); p++)
		magnitude = add_digit(magnitude, *p - '0');
	return saturated_number(negative, magnitude);
}
