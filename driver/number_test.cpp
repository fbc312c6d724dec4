#include "driver/number.h"

#include <cstdint>
#include <gtest/gtest.h>

TEST(ReadNumber, ReadsAsAtoiDoesAndSaturatesBeyondThirtyTwoBits)
{
	struct {
		const char *text;
		int32_t value;
	} const cases[] = {
	    {"15", 15},
	    {"15s", 15},
	    {"  \t7", 7},
	    {"+8", 8},
	    {"-5", -5},
	    {"", 0},
	    {"abc", 0},
	    {"- 3", 0},
	    {"2147483647", INT32_MAX},
	    {"2147483648", INT32_MAX},
	    {"99999999999999999999999999", INT32_MAX},
	    {"-2147483648", INT32_MIN},
	    {"-2147483649", INT32_MIN},
	    {"-99999999999999999999999999", INT32_MIN},
	    {"00000000000000000000000000012", 12},
	};
	for (const auto &c : cases)
		EXPECT_EQ(read_number(c.text), c.value) << '"' << c.text << '"';
}
