/*
 * A stand-in records library: a second libcorvane.so.0, written from the
 * calls that vellipo asks of a records library (records/corvane.h) and
 * nothing else, so that the tests run the program on a library that is not
 * ours.  It shares no code with libcorvane/, keeps its own store format and
 * words its durations its own way, and defines no symbol beyond the calls
 * of records/corvane.h but the clock below.
 *
 * The store is the file named by CORVANE_RECORDS, one boot a line:
 *
 *     BOOT_TIME UPTIME DOWNTIME SYSTEM TEXT...
 *
 * three decimal numbers and the rest of the line; a line that does not begin
 * with three numbers is passed over, and so is the running boot's own line.
 * The boots are added after the current entry, in the order of the file.
 *
 * Its answers about the running system come from the environment, so that a
 * run prints the same bytes every time:
 *
 *   STANDIN_UPTIME   the running boot's uptime in seconds (3600)
 *   STANDIN_BOOT     its boot time (1600000000)
 *   STANDIN_SYSINFO  its system text ("Standin OS 2.0")
 *   STANDIN_NOW      the time of day (boot time + uptime)
 *   STANDIN_PASSES   the run ends in its n-th call of sleep (1)
 *   STANDIN_STEP     seconds the clock and the uptime advance for each
 *                    second slept (1)
 *
 * The program reads the time with time() and sleeps with sleep(); both are
 * defined here, and the loader finds them here before the C library's.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "corvane.h"

struct urec *urec_list;

/* The milestones, in the order they were registered. */
static struct milestone *milestones;

/* Seconds the clock has advanced through sleep, and the calls of sleep. */
static int64_t elapsed;
static int64_t passes;

static int64_t env_number(const char *name, int64_t fallback)
{
	const char *value = getenv(name);
	if (value == NULL || *value == '\0')
		return fallback;
	return strtoll(value, NULL, 10);
}

int64_t read_uptime(void)
{
	return env_number("STANDIN_UPTIME", 3600) + elapsed;
}

time_t readbootid(void)
{
	return (time_t)env_number("STANDIN_BOOT", 1600000000);
}

char *read_sysinfo(void)
{
	static char text[SYSMAX + 1];
	const char *value = getenv("STANDIN_SYSINFO");
	snprintf(text, sizeof text, "%s", value != NULL ? value : "Standin OS 2.0");
	return text;
}

time_t time(time_t *result)
{
	int64_t start =
	    env_number("STANDIN_NOW", (int64_t)readbootid() + env_number("STANDIN_UPTIME", 3600));
	time_t now = (time_t)(start + elapsed);
	if (result != NULL)
		*result = now;
	return now;
}

unsigned int sleep(unsigned int seconds)
{
	if (++passes >= env_number("STANDIN_PASSES", 1))
		exit(0);
	elapsed += (int64_t)seconds * env_number("STANDIN_STEP", 1);
	return 0;
}

/* A record holding the values, not linked anywhere yet. */
static struct urec *new_urec(int64_t uptime, time_t boot_time, int64_t downtime,
                             const char *sysinfo)
{
	struct urec *rec = calloc(1, sizeof *rec);
	if (rec == NULL)
		return NULL;
	rec->uptime = uptime;
	rec->boot_time = boot_time;
	rec->downtime = downtime;
	snprintf(rec->sysinfo, sizeof rec->sysinfo, "%s", sysinfo != NULL ? sysinfo : "");
	return rec;
}

struct urec *add_urec(int64_t uptime, time_t boot_time, const char *sysinfo)
{
	struct urec *rec = new_urec(uptime, boot_time, 0, sysinfo);
	if (rec == NULL)
		return NULL;
	rec->next = urec_list;
	urec_list = rec;
	return rec;
}

void read_records(time_t current_boot_time)
{
	const char *path = getenv("CORVANE_RECORDS");
	FILE *file = path != NULL ? fopen(path, "r") : NULL;
	if (file == NULL)
		return;
	struct urec **tail = &urec_list;
	while (*tail != NULL)
		tail = &(*tail)->next;
	char line[1024];
	while (fgets(line, sizeof line, file) != NULL) {
		long long boot_time, uptime, downtime;
		int text_at = 0;
		if (sscanf(line, "%lld %lld %lld %n", &boot_time, &uptime, &downtime, &text_at) <
		        3 ||
		    text_at == 0)
			continue;
		if ((time_t)boot_time == current_boot_time)
			continue;
		line[strcspn(line, "\n")] = '\0';
		struct urec *rec = new_urec(uptime, (time_t)boot_time, downtime, line + text_at);
		if (rec == NULL)
			break;
		*tail = rec;
		tail = &rec->next;
	}
	fclose(file);
}

/* Whether a belongs before b in the order: the uptime orders break their
 * ties by the newer boot first, the others by the longer uptime. */
static int goes_before(const struct urec *a, const struct urec *b, int order)
{
	switch (order) {
	case 0:
		return a->uptime != b->uptime ? a->uptime > b->uptime : a->boot_time > b->boot_time;
	case 1:
	case -1:
		if (a->boot_time == b->boot_time)
			return a->uptime > b->uptime;
		return order == 1 ? a->boot_time < b->boot_time : a->boot_time > b->boot_time;
	case 2:
	case -2: {
		int compared = strcmp(a->sysinfo, b->sysinfo);
		if (compared == 0)
			return a->uptime > b->uptime;
		return order == 2 ? compared < 0 : compared > 0;
	}
	default:
		return 0;
	}
}

/* An insertion sort: each record goes before the first one it beats. */
struct urec *sort_urec(struct urec *head, int order)
{
	struct urec *sorted = NULL;
	while (head != NULL) {
		struct urec *rec = head;
		head = head->next;
		struct urec **place = &sorted;
		while (*place != NULL && !goes_before(rec, *place, order))
			place = &(*place)->next;
		rec->next = *place;
		*place = rec;
	}
	return sorted;
}

void moveup(void)
{
	struct urec **place = &urec_list;
	while (*place != NULL && *place != u_current)
		place = &(*place)->next;
	if (*place == NULL)
		return;
	*place = u_current->next;
	struct urec **to = &urec_list;
	while (*to != NULL && (*to)->uptime >= u_current->uptime)
		to = &(*to)->next;
	u_current->next = *to;
	*to = u_current;
}

/* "12d 03:04:05", or "123456789d" when that does not fit 19 characters. */
char *time2uptime(int64_t seconds)
{
	static char text[20];
	const char *sign = seconds < 0 ? "-" : "";
	uint64_t left = seconds < 0 ? 0 - (uint64_t)seconds : (uint64_t)seconds;
	uint64_t days = left / 86400;
	unsigned rest = (unsigned)(left % 86400);
	if (days < 100000000)
		snprintf(text, sizeof text, "%s%llud %02u:%02u:%02u", sign,
		         (unsigned long long)days, rest / 3600, rest / 60 % 60, rest % 60);
	else
		snprintf(text, sizeof text, "%s%llud", sign, (unsigned long long)days);
	return text;
}

/* Numbers with a unit each (s, m, h, d, w), such as "4d" or "1d12h"; a
 * plain number is seconds.  Anything else, or an empty text, is 0. */
int64_t scantime(const char *text)
{
	if (text == NULL)
		return 0;
	int64_t total = 0;
	const char *at = text;
	while (*at != '\0' && *at != '\n') {
		char *end;
		long long number = strtoll(at, &end, 10);
		if (end == at || number < 0)
			return 0;
		int64_t unit = 1;
		switch (*end) {
		case 's':
			unit = 1;
			end++;
			break;
		case 'm':
			unit = 60;
			end++;
			break;
		case 'h':
			unit = 3600;
			end++;
			break;
		case 'd':
			unit = 86400;
			end++;
			break;
		case 'w':
			unit = 604800;
			end++;
			break;
		case '\0':
		case '\n':
			break;
		default:
			return 0;
		}
		total += number * unit;
		at = end;
	}
	return total;
}

struct milestone *add_milestone(int64_t seconds, const char *description)
{
	struct milestone *m = calloc(1, sizeof *m);
	if (m == NULL)
		return NULL;
	m->time = seconds;
	snprintf(m->description, sizeof m->description, "%s",
	         description != NULL ? description : "");
	struct milestone **tail = &milestones;
	while (*tail != NULL)
		tail = &(*tail)->next;
	*tail = m;
	return m;
}

struct milestone *find_next_milestone(int64_t uptime)
{
	struct milestone *next = NULL;
	for (struct milestone *m = milestones; m != NULL; m = m->next)
		if (m->time > uptime && (next == NULL || m->time < next->time))
			next = m;
	return next;
}

void cat(const char *path)
{
	FILE *file = path != NULL ? fopen(path, "rb") : NULL;
	if (file == NULL)
		return;
	char buffer[4096];
	size_t length;
	while ((length = fread(buffer, 1, sizeof buffer, file)) > 0)
		fwrite(buffer, 1, length, stdout);
	fclose(file);
}
