#include "driver/history.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>

#include "corvane.h"

// Our libcorvane can tell a store that cannot be read from an empty one:
// read_records_checked reads as read_records does and returns -1 with errno
// set, and records_path names the store.  A records daemon's own library
// has neither, so the program does not import them: both are looked up in
// the running program's libraries, and read_records serves where they are
// missing.
using checked_reader = int (*)(time_t);
using path_teller = const char *(*)();

bool read_history(const char *program_name)
{
	void *program = dlopen(nullptr, RTLD_LAZY);
	void *reader = program != nullptr ? dlsym(program, "read_records_checked") : nullptr;
	void *teller = program != nullptr ? dlsym(program, "records_path") : nullptr;
	if (reader == nullptr || teller == nullptr) {
		read_records(u_current->boot_time);
		return true;
	}
	auto read_records_checked = reinterpret_cast<checked_reader>(reader);
	auto records_path = reinterpret_cast<path_teller>(teller);
	if (read_records_checked(u_current->boot_time) == 0)
		return true;
	int error = errno;
	// Our library refuses with EINVAL a store that is not a plain file.
	const char *reason = error == EINVAL ? "Not a plain file" : std::strerror(error);
	std::fprintf(stderr, "%s: cannot read %s: %s\n", program_name, records_path(), reason);
	return false;
}
