// vellipo - shows the machine's longest uptimes, ranked, with the running
// boot marked, as a terminal report or as a web page.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "config/milestones.h"
#include "config/web_settings.h"
#include "corvane.h"
#include "driver/history.h"
#include "driver/options.h"
#include "driver/output.h"
#include "driver/paths.h"
#include "driver/settings.h"
#include "report/report.h"

// Redraws the report forever, the current entry climbing as its uptime grows.
[[noreturn]] static void follow_loop()
{
	for (;;) {
		u_current->uptime = read_uptime();
		// The standings are those of the previous pass: all 0 before the
		// first one, so the first turn never moves the entry.
		if ((standings.above_current != 0 && standings.above_current < u_current->uptime) ||
		    (standings.first_place != 0 && standings.first_place < u_current->uptime))
			moveup();
		render_report(1);
		check_output();
		sleep(static_cast<unsigned>(run_settings.interval));
	}
}

int main(int argc, char **argv)
{
	const char *name = argc > 0 && argv[0] != nullptr ? argv[0] : "vellipo";
	watch_output(name);

	load_milestones();

	if (std::strstr(name, ".cgi") != nullptr) {
		run_settings.web_mode = 1;
		std::printf("Content-type: text/html\n\n");
		load_web_settings();
	}

	if (argc > 0)
		scan_options(argc, argv);

	if (run_settings.interval <= 0)
		run_settings.interval = 1;
	if (run_settings.max_entries < 0)
		run_settings.max_entries = 1;

	if (run_settings.web_mode)
		cat(path_web_header);

	// The three calls are made in this order, before the record is made.
	int64_t uptime = read_uptime();
	time_t boot_time = readbootid();
	char *sysinfo = read_sysinfo();
	u_current = add_urec(uptime, boot_time, sysinfo);
	bool history_read = read_history(name);

	// Follow mode runs until a signal ends it; the message came once, here.
	if (run_settings.follow && !run_settings.web_mode)
		follow_loop();

	render_report(0);
	if (run_settings.web_mode)
		cat(path_web_footer);
	// A report over a history that could not be read is no success.
	return history_read ? 0 : 1;
}
