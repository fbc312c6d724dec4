/*
 * A test double of libcorvane's calls that ask the running system, and of
 * the C library's clock: the records library built with this file in place
 * of its own system file answers from the environment, so that a run of the
 * program prints the same bytes every time.
 *
 *   CORVANE_TEST_UPTIME   the running boot's uptime in seconds (1000)
 *   CORVANE_TEST_BOOT     the kernel's boot time (1702400000)
 *   CORVANE_TEST_BOOT_ID  the kernel's boot id (none: "")
 *   CORVANE_TEST_SUSPENDED  seconds of the uptime spent suspended (none: -1)
 *   CORVANE_TEST_SYSINFO  its system text ("Linux 6.1.0-test")
 *   CORVANE_TEST_NOW      the time of day (boot time + uptime)
 *   CORVANE_TEST_PASSES   the run ends in its n-th call of sleep (1)
 *   CORVANE_TEST_STEP     seconds the clock and the uptime advance for each
 *                         second slept (1)
 *   CORVANE_TEST_REAL_SLEEP  when set, sleep also sleeps for real
 *   CORVANE_TEST_CONTAINER   what shows that the run is in a container, such
 *                         as "/.dockerenv" (none: "")
 *
 * The program reads the time with time() and sleeps with sleep(); both are
 * defined here, and the loader finds them here before the C library's since
 * the program links the records library first.  The recorder asks
 * corvane_test_container_sign, which only this double defines, in place of
 * looking for a container's signs on the machine.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "corvane_store.h"

/* Seconds the fake clock has advanced through sleep. */
static int64_t elapsed;

/* Calls of sleep so far. */
static int64_t passes;

static int64_t env_number(const char *name, int64_t fallback)
{
	const char *value = getenv(name);
	if (value == NULL || *value == '\0')
		return fallback;
	return strtoll(value, NULL, 10);
}

static int64_t uptime_at_start(void)
{
	return env_number("CORVANE_TEST_UPTIME", 1000);
}

static int64_t boot_time(void)
{
	return env_number("CORVANE_TEST_BOOT", 1702400000);
}

int64_t read_uptime(void)
{
	return (int64_t)((uint64_t)uptime_at_start() + (uint64_t)elapsed);
}

time_t read_kernel_boot_time(void)
{
	return (time_t)boot_time();
}

int64_t read_suspended_time(void)
{
	return env_number("CORVANE_TEST_SUSPENDED", -1);
}

const char *read_boot_id(void)
{
	const char *value = getenv("CORVANE_TEST_BOOT_ID");
	return value != NULL ? value : "";
}

char *read_sysinfo(void)
{
	static char text[SYSMAX + 1];
	const char *value = getenv("CORVANE_TEST_SYSINFO");
	snprintf(text, sizeof text, "%s", value != NULL ? value : "Linux 6.1.0-test");
	return text;
}

time_t time(time_t *result)
{
	/* The default, boot time plus uptime, wraps rather than overflows for
	 * a boot time at the end of the range. */
	const char *set = getenv("CORVANE_TEST_NOW");
	int64_t start = set != NULL && *set != '\0'
	                    ? strtoll(set, NULL, 10)
	                    : (int64_t)((uint64_t)boot_time() + (uint64_t)uptime_at_start());
	time_t now = (time_t)(int64_t)((uint64_t)start + (uint64_t)elapsed);
	if (result != NULL)
		*result = now;
	return now;
}

unsigned int sleep(unsigned int seconds)
{
	if (++passes >= env_number("CORVANE_TEST_PASSES", 1))
		exit(0);
	elapsed += (int64_t)seconds * env_number("CORVANE_TEST_STEP", 1);
	if (getenv("CORVANE_TEST_REAL_SLEEP") != NULL) {
		struct timespec pause = {(time_t)seconds, 0};
		nanosleep(&pause, NULL);
	}
	return 0;
}

__attribute__((visibility("default"))) const char *corvane_test_container_sign(void)
{
	const char *value = getenv("CORVANE_TEST_CONTAINER");
	return value != NULL ? value : "";
}
