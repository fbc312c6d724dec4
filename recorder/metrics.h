// metrics.h - the records as metrics for Prometheus, in its text exposition
// format, for node_exporter's textfile collector.
#ifndef CORVANE_RECORD_METRICS_H
#define CORVANE_RECORD_METRICS_H

#include <cstdint>
#include <string>

#include "corvane.h"

// How many boots on record ended cleanly and uncleanly.
struct boot_end_counts {
	int64_t clean;
	int64_t unclean;
};

// The metrics of the records of list (the running boot's, current, among
// them), each with its HELP and TYPE lines, all named corvane_*: the number
// of boots, the running boot's uptime, its rank by uptime (1 for the
// longest; a boot of an equal uptime ranks before it, as in the report) and
// the uptimes it must pass for the next rank and for first place (left out
// when it is first), the longest uptime, the total uptime and downtime (the
// downtime before each boot, as the store's reader counts it), the
// availability as a ratio, the time of the oldest boot, and the boots that
// ended cleanly and uncleanly when ends is not null.  The running boot's
// metrics are left out when current is null.
std::string metrics_text(const urec *list, const urec *current, const boot_end_counts *ends);

// Writes the metrics text of urec_list and u_current to the file at path,
// whole (a new file in its folder renamed over it, as the textfile
// collector requires).  Returns 0, or -1 with errno set.
int write_metrics(const char *path, const boot_end_counts *ends);

#endif // CORVANE_RECORD_METRICS_H
