// web_config.cpp - fuzz target: the reader of the web page's settings file.
//
// Whatever the file holds, the layout is one of the three and TYPE sets the
// downtime switch to on or off; nothing else changes.
#include <cstdint>

#include "config/web_settings.h"
#include "driver/paths.h"
#include "driver/settings.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	// The test build's paths lie below the working folder.
	fuzz::enter_scratch_dir();
	fuzz::put_file(path_web_conf, data, size);
	settings before = {};
	before.layout = layout_pre;
	before.show_downtime = 7; // neither of the values TYPE sets
	run_settings = before;
	load_web_settings();
	const settings &after = run_settings;
	fuzz::check(after.layout == layout_pre || after.layout == layout_list ||
	                after.layout == layout_table,
	            "a layout that is none of the three");
	fuzz::check(after.show_downtime == 0 || after.show_downtime == 1 ||
	                after.show_downtime == 7,
	            "TYPE set the downtime switch to another value");
	fuzz::check(after.web_mode == 0 && after.follow == 0 && after.sort_order == 0 &&
	                after.no_ansi == 0 && after.interval == 0,
	            "a setting that the file does not hold changed");
	return 0;
}
