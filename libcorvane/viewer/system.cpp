// system.cpp - what the library asks the running system: its uptime, the
// kernel's boot time and boot id, and the system's name and release.  A test
// double of the library replaces this file alone (tests/double/system.c).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <sys/utsname.h>

#ifdef __FreeBSD__
#include <sys/types.h>
#include <sys/sysctl.h>
#include <sys/time.h>
#endif

#include "corvane_store.h"

namespace
{

// The system's name and release, as read_sysinfo last gave them.
char system_text[SYSMAX + 1];

// The running boot's kernel boot id once read.
char boot_id[sizeof(boot_mark::id)];

#ifdef __FreeBSD__
// kern.boottime, or 0 when it cannot be read.
time_t kernel_boot_time()
{
	int mib[2] = {CTL_KERN, KERN_BOOTTIME};
	struct timeval tv = {};
	size_t len = sizeof tv;
	if (sysctl(mib, 2, &tv, &len, nullptr, 0) != 0)
		return 0;
	return tv.tv_sec;
}
#else
// The btime line of /proc/stat, or 0 when it cannot be read.
time_t kernel_boot_time()
{
	std::FILE *f = std::fopen("/proc/stat", "r");
	if (!f)
		return 0;
	time_t found = 0;
	char *line = nullptr;
	size_t cap = 0;
	while (getline(&line, &cap, f) > 0) {
		if (std::strncmp(line, "btime ", 6) == 0) {
			found = static_cast<time_t>(std::strtoll(line + 6, nullptr, 10));
			break;
		}
	}
	std::free(line);
	std::fclose(f);
	return found;
}
#endif

} // namespace

extern "C" int64_t read_uptime(void)
{
#ifdef __FreeBSD__
	time_t booted = kernel_boot_time();
	return booted > 0 ? static_cast<int64_t>(std::time(nullptr) - booted) : 0;
#else
	struct timespec ts = {};
	if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
		return 0;
	return static_cast<int64_t>(ts.tv_sec);
#endif
}

extern "C" int64_t read_suspended_time(void)
{
#ifdef __linux__
	// CLOCK_BOOTTIME counts the time suspended, CLOCK_MONOTONIC does not.
	struct timespec boot = {};
	struct timespec awake = {};
	if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0 ||
	    clock_gettime(CLOCK_MONOTONIC, &awake) != 0)
		return -1;
	int64_t asleep = static_cast<int64_t>(boot.tv_sec) - static_cast<int64_t>(awake.tv_sec);
	if (boot.tv_nsec < awake.tv_nsec)
		asleep--;
	return asleep > 0 ? asleep : 0;
#else
	return -1;
#endif
}

// The kernel's value, or now minus uptime should the kernel not tell.
extern "C" time_t read_kernel_boot_time(void)
{
	time_t booted = kernel_boot_time();
	if (booted <= 0)
		booted = std::time(nullptr) - static_cast<time_t>(read_uptime());
	return booted;
}

// Linux keeps a random id for each boot; other systems give "" for now.
extern "C" const char *read_boot_id(void)
{
#ifdef __linux__
	if (!boot_id[0]) {
		if (std::FILE *f = std::fopen("/proc/sys/kernel/random/boot_id", "re")) {
			char text[sizeof boot_id + 1] = {};
			if (std::fgets(text, sizeof text, f)) {
				std::size_t len = std::strcspn(text, "\n");
				if (len > 0 && len < sizeof boot_id)
					std::memcpy(boot_id, text, len);
			}
			std::fclose(f);
		}
	}
#endif
	return boot_id;
}

extern "C" char *read_sysinfo(void)
{
	struct utsname names;
	if (uname(&names) != 0) {
		system_text[0] = '\0';
		return system_text;
	}
	std::snprintf(system_text, sizeof system_text, "%s %s", names.sysname, names.release);
	return system_text;
}
