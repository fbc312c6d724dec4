// boot_history.h - the boots that the login accounting file remembers.
#ifndef CORVANE_RECORD_BOOT_HISTORY_H
#define CORVANE_RECORD_BOOT_HISTORY_H

#include <cstdint>
#include <string>
#include <vector>

// A boot that the file remembers.  Its uptime is the time from its boot
// record to the next boot or shutdown record; a boot without such a record
// after it, or with one dated before it, cannot be bounded.
struct past_boot {
	int64_t boot_time;
	int64_t uptime; // 0 when not bounded
	bool bounded;
	std::string release; // the kernel release of the boot record, or ""
};

// What reading the file found.
enum class history_status {
	read,       // the file was read (it may hold no boot)
	missing,    // there is no such file
	empty,      // the file is empty
	unreadable, // the file cannot be read: error holds the reason
};

// The login accounting file of the system.
const char *default_boot_history();

// Reads the boot and shutdown records of the login accounting file at path,
// through the C library's utmpx calls, into boots in file order.
history_status read_boot_history(const char *path, std::vector<past_boot> &boots, int &error);

#endif // CORVANE_RECORD_BOOT_HISTORY_H
