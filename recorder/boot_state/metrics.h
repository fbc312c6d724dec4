// metrics.h - the records as metrics for Prometheus, in its text exposition
// format, for node_exporter's textfile collector.
#ifndef CORVANE_RECORD_METRICS_H
#define CORVANE_RECORD_METRICS_H

#include <string>

#include "recorder/boot_state/figures.h"

// The metrics of the figures, each with its HELP and TYPE lines, all named
// corvane_*: the number of boots, the running boot's uptime, boot time and
// rank by uptime (1 for the longest, ties broken as the report breaks them)
// and the uptimes it must pass for the next rank and for first place (left
// out when it is first), the longest uptime, the total uptime and downtime,
// the availability as a ratio, the time of the oldest boot, the boots that
// ended cleanly and uncleanly, and when the latest unclean end was (0 for
// none).  The running boot's metrics are left out when the figures have no
// running boot (rank 0).
std::string metrics_text(const record_figures &f);

// Whether the metrics file at path can be written: its folder exists.  The
// recorder makes the store's folder, never the metrics' one, which belongs
// to the collector that reads it.  false, with the message in err, when not.
bool check_metrics_folder(const char *path, std::string *err);

// Writes the metrics text of the figures to the file at path, whole (a new
// file in its folder renamed over it, as the textfile collector requires),
// once check_metrics_folder has found its folder.  false, with the message
// in err, when it cannot.
bool write_metrics(const char *path, const record_figures &f, std::string *err);

#endif // CORVANE_RECORD_METRICS_H
