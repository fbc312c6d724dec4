// milestones_config.cpp - fuzz target: the reader of the MILESTONE lines of
// the daemon's configuration file.
//
// Whatever the file holds, every milestone registered has a description of
// one line, cut to SYSMAX bytes, and a duration that is never negative.
#include <cstdint>
#include <cstring>

#include "config/milestones.h"
#include "corvane_store.h"
#include "driver/paths.h"
#include "fuzz/fuzz_support.h"
#include "internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	// The test build's paths lie below the working folder.
	fuzz::enter_scratch_dir();
	fuzz::put_file(path_corvane_conf, data, size);
	corvane_forget_milestones();
	load_milestones();
	for (const milestone *m = find_next_milestone(INT64_MIN); m != nullptr;
	     m = find_next_milestone(m->time)) {
		fuzz::check(m->time >= 0, "a negative milestone");
		fuzz::check(std::strlen(m->description) <= SYSMAX,
		            "a description longer than SYSMAX");
		fuzz::check(std::strchr(m->description, '\n') == nullptr,
		            "a line end in a description");
	}
	corvane_forget_milestones();
	return 0;
}
