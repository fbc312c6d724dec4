// past_boot.h - a boot that a history source remembers (the login accounting
// file, the journal, a login database), as every source hands it to the
// import.
#ifndef CORVANE_RECORD_PAST_BOOT_H
#define CORVANE_RECORD_PAST_BOOT_H

#include <cstdint>
#include <string>

// How a boot ended, as far as its source tells.
enum class boot_end {
	unknown, // the source does not say
	clean,   // the system was shut down
	unclean, // a crash, a power cut or a hard reset: no shutdown was seen
};

// Seconds between two starts of one boot, when one of them lacks the boot
// id: the kernel's start of a boot (which the recorder stores, and the
// journal tells) and the boot record that the system writes once it is up
// (the login accounting file's, the login database's).  The import matches
// a boot with a stored one, and the merge the sources' entries of a boot,
// within it.
constexpr int64_t same_boot_window = 120;

// A boot that a source remembers.  Its uptime runs from its start to the last
// moment the source knows it was up; a boot whose end the source cannot tell,
// or tells as before its start, cannot be bounded.
struct past_boot {
	int64_t boot_time;
	int64_t uptime; // 0 when not bounded
	bool bounded;
	std::string release;              // the kernel release, or ""
	std::string boot_id = {};         // the kernel's boot id, or "" when unknown
	boot_end end = boot_end::unknown; // how it ended
	bool release_cut = false;         // the source's release was cut (see cut_release)
};

#endif // CORVANE_RECORD_PAST_BOOT_H
