// boot_ends.cpp - fuzz target: the reader of the ends file beside the store.
//
// Any text reads: every end read is clean or unclean, every other line is
// kept whole, and the text the recorder writes back reads as the same ends
// and the same kept lines, and is written back the same.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "recorder/boot_state/boot_ends.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	std::string text(reinterpret_cast<const char *>(data), size);
	boot_ends first;
	parse_boot_ends(text, first);
	for (const auto &[boot_time, how] : first.ends) {
		fuzz::check(boot_time >= 0, "a negative boot time read");
		fuzz::check(how == boot_end::clean || how == boot_end::unclean,
		            "an end neither clean nor unclean read");
	}
	std::size_t bytes = 0;
	for (const std::string &line : first.kept) {
		fuzz::check(line.find('\n') == std::string::npos, "a kept line holds a line end");
		bytes += line.size();
	}
	fuzz::check(bytes <= size, "more kept than read");

	std::string written = boot_ends_text(first);
	boot_ends second;
	parse_boot_ends(written, second);
	fuzz::check(second.ends == first.ends, "the ends written do not read back");
	fuzz::check(second.kept == first.kept, "the kept lines written do not read back");
	fuzz::check(boot_ends_text(second) == written, "the text written back changed");
	return 0;
}
