// number.cpp - fuzz target: the reader of the numbers of -i and -m.
//
// read_number reads as strtol reads in base 10 (blanks, a sign, the leading
// digits), saturated at the ends of the 32-bit range.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/number.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::string text(reinterpret_cast<const char *>(data), size);
	int32_t value = read_number(text.c_str());
	long long wide = std::strtoll(text.c_str(), nullptr, 10);
	int32_t wanted = wide > INT32_MAX   ? INT32_MAX
	                 : wide < INT32_MIN ? INT32_MIN
	                                    : static_cast<int32_t>(wide);
	fuzz::check(value == wanted, "read_number differs from strtoll saturated to 32 bits");
	return 0;
}
