// export.h - every boot for a spreadsheet or a script: CSV (RFC 4180) or
// JSON Lines.
#ifndef CORVANE_RECORD_EXPORT_H
#define CORVANE_RECORD_EXPORT_H

#include <string>
#include <vector>

#include "recorder/history_view/boot_rows.h"

// The fields of each boot, in this order (the CSV header line):
//
//   boot_id       the kernel's boot id, empty (JSON null) when unknown
//   start         the boot time, seconds since the epoch
//   start_utc     the same as ISO 8601 in UTC: 2026-11-01T08:00:00Z
//   end           start + uptime
//   end_utc
//   uptime        seconds
//   downtime      seconds down before it
//   ended         clean, unclean, unknown or running
//   system        the system text
//   source        where the record came from, empty (JSON null) when unknown
//   suspended     seconds suspended, empty (JSON null) when unknown
//
// CSV: a header line, then a line a boot, each ending in CRLF; a field that
// holds a comma, a quote, a CR or an LF is quoted, its quotes doubled.  The
// system text's bytes are written as they are stored.
std::string export_csv(const std::vector<boot_row> &rows);

// JSON Lines: one object a boot, numbers as numbers.  Every string is
// escaped: a quote and a backslash with a backslash, the control bytes as
// \b \f \n \r \t or \u00XX; a byte that is not part of valid UTF-8 becomes
// U+FFFD, one for each maximal part of a broken sequence (as the Unicode
// standard advises, and as Python's "replace" decodes).
std::string export_json_lines(const std::vector<boot_row> &rows);

// A text as a JSON string, quotes included, escaped as above.
void append_json_string(std::string &out, const char *text);

#endif // CORVANE_RECORD_EXPORT_H
