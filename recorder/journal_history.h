// journal_history.h - the boots that the systemd journal remembers.
#ifndef CORVANE_RECORD_JOURNAL_HISTORY_H
#define CORVANE_RECORD_JOURNAL_HISTORY_H

#include <string>
#include <vector>

#include "recorder/boot_history.h"
#include "recorder/past_boot.h"

// The folder of the system's persistent journal, whose presence tells that
// the system keeps one (the journal of the running boot alone may live in
// /run/log/journal).
constexpr const char *default_journal = "/var/log/journal";

// Reads the boots of the journal at path, a folder of journal files (and of
// its subfolders, one for each machine) or a single journal file, or of the
// local machine's journal when path is null, into boots in order of their
// start.  Each boot
// is known by its boot id; it started at its first entry's wall clock time
// less that entry's time since the boot, and was up until its last entry.
// Its release is that of the kernel's first "Linux version" message, else
// "".  Its end is clean when the service manager's "System shutdown
// initiated" message (message id 98268866d1d54a499c4e98921d93bc40) is among
// its entries; else unclean when a later boot follows it in the journal,
// else (the running boot, or the newest boot of another machine's journal,
// which may still be up) unknown.
// A journal that cannot be read gives unreadable, with the reason in
// error.
history_status read_journal_history(const char *path, std::vector<past_boot> &boots,
                                    std::string &error);

#endif // CORVANE_RECORD_JOURNAL_HISTORY_H
