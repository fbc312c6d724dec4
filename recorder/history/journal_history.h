// journal_history.h - the boots that the systemd journal remembers.
#ifndef CORVANE_RECORD_JOURNAL_HISTORY_H
#define CORVANE_RECORD_JOURNAL_HISTORY_H

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/history/history_status.h"
#include "recorder/history/past_boot.h"

// What the journal holds of one boot: the wall clock and the time since the
// boot (CLOCK_MONOTONIC) of its first and last entries, in microseconds,
// whether its shutdown messages are among its entries, and the kernel's
// version message.
struct journal_boot {
	std::string id;
	int64_t first_realtime;
	int64_t first_monotonic;
	int64_t last_realtime;
	int64_t last_monotonic;
	bool reached_shutdown = false;    // PID 1's "Reached target shutdown.target"
	bool logind_shutdown = false;     // logind's "System is rebooting." (or powering down)
	std::string version_message = {}; // the first "Linux version ..." of the kernel, or ""
};

// The boots of the journal's boots, in order of their start, as
// read_journal_history tells below; running is the running boot's id ("" for
// none).
std::vector<past_boot> boots_of_journal(const std::vector<journal_boot> &boots,
                                        const std::string &running);

// Reads the boots of the journal at path, a folder of journal files (and of
// its subfolders, one for each machine) or a single journal file, or of the
// local machine's journal when path is null, into boots in order of their
// start.  Each boot
// is known by its boot id; it started at its first entry's wall clock time
// less that entry's time since the boot, and was up until its last entry.
// Its release is the word after "Linux version " in the kernel's first
// such message, cut as cut_release tells (history_values.h), else "".  Its
// end is clean when PID 1's "Reached target shutdown.target" (message id
// 39f53479d3a045ac8e11786248231fbf with UNIT=shutdown.target and _PID=1) or
// logind's "System is rebooting." (message id
// 98268866d1d54a499c4e98921d93bc40) is among its entries; else unclean when
// a later boot follows it in the journal, else (the running boot, or the
// newest boot of another machine's journal, which may still be up) unknown.
// A journal that cannot be read gives unreadable, with the message that
// names path (or "the journal") in err.
history_status read_journal_history(const char *path, std::vector<past_boot> &boots,
                                    std::string *err);

#endif // CORVANE_RECORD_JOURNAL_HISTORY_H
