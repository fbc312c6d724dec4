// status.cpp - the few lines of --status:
//
//   store           /var/lib/corvane/records
//   boots           42 on record since 2023-11-03 08:26:40
//   ends            30 clean, 2 unclean, 9 unknown, 1 running
//   longest uptime  45 days, 03:02:01, booted 2024-01-08 10:00:00
//   running boot    3 days, 01:00:00, rank 5 of 42, booted 2026-12-07 13:00:00
//   downtime        12 days, 00:00:00 in all
//   availability    97.312%
//
// Dates are local time; durations are the library's time2uptime text.  The
// figures of a range that the running boot is not in have no running boot.
#include "recorder/boot_state/status.h"

#include <cinttypes>
#include <ctime>

#include "corvane_store.h"

namespace
{

// A date as "YYYY-MM-DD HH:MM:SS" local time, or the number of seconds
// since the epoch when the C library cannot turn it into a date.
const char *date(time_t when, char (&buf)[32])
{
	struct tm tm;
	if (!localtime_r(&when, &tm) ||
	    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm) == 0)
		std::snprintf(buf, sizeof buf, "%" PRId64, static_cast<int64_t>(when));
	return buf;
}

} // namespace

void print_status(std::FILE *out, const char *store, const record_figures &f)
{
	char buf[32];
	std::fprintf(out, "store           %s\n", store);
	std::fprintf(out, "boots           %" PRId64 " on record since %s\n", f.boots,
	             date(f.since, buf));
	std::fprintf(out,
	             "ends            %" PRId64 " clean, %" PRId64 " unclean, %" PRId64
	             " unknown, %" PRId64 " running\n",
	             f.clean, f.unclean, f.unknown, f.running);
	std::fprintf(out, "longest uptime  %s, booted %s\n", time2uptime(f.longest),
	             date(f.longest_boot, buf));
	if (f.rank == 0)
		std::fprintf(out, "running boot    none in this range\n");
	else
		std::fprintf(
		    out, "running boot    %s, rank %" PRId64 " of %" PRId64 ", booted %s\n",
		    time2uptime(f.running_uptime), f.rank, f.boots, date(f.running_boot, buf));
	std::fprintf(out, "downtime        %s in all\n", time2uptime(f.total_downtime));
	std::fprintf(out, "availability    %.3f%%\n", f.availability * 100);
}
