/*
 * corvane.h - the interface of the records library, libcorvane.so.0.
 *
 * The records daemon keeps one record per boot of the machine.  This header
 * declares the records, the milestones and the calls that read them.  The
 * library and every program that links it include it; the layout of the two
 * structures and the names below are a binary interface: never reorder them.
 */
#ifndef CORVANE_H
#define CORVANE_H

#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of a system text or a milestone description, without its NUL. */
#define SYSMAX 256

/* One boot of the machine. */
struct urec {
	int64_t uptime;              /* seconds up */
	time_t boot_time;            /* seconds since the epoch */
	int64_t downtime;            /* seconds down before this boot */
	char sysinfo[SYSMAX + 1];    /* NUL-terminated, cut to SYSMAX bytes */
	struct urec *next;
};

/* A length of uptime worth celebrating. */
struct milestone {
	int64_t time;                    /* seconds of uptime */
	char description[SYSMAX + 1];    /* NUL-terminated, cut to SYSMAX bytes */
	struct milestone *next;
};

/* Head of the list of all records, the running boot's included. */
extern struct urec *urec_list;

/* The running boot's record: defined by the program and exported from its
 * executable, read by the library. */
extern struct urec *u_current;

/* Seconds since the running system booted, time spent suspended included. */
int64_t read_uptime(void);

/* Boot time of the running system: the same value on every call in a boot. */
time_t readbootid(void);

/* Name and release of the running system, in the library's own storage. */
char *read_sysinfo(void);

/* A new record holding the three values, linked into urec_list.  The text is
 * cut to SYSMAX bytes. */
struct urec *add_urec(int64_t uptime, time_t boot_time, const char *sysinfo);

/* Adds every stored boot but the one booted at current_boot_time to urec_list
 * and sets the downtime of every record in the list. */
void read_records(time_t current_boot_time);

/* Stable sort of a list; returns its new head.  order 0: by uptime, longest
 * first; 1: by boot time, oldest first; -1: newest first; 2: by system text
 * in byte order; -2: the reverse. */
struct urec *sort_urec(struct urec *head, int order);

/* Moves u_current up in urec_list past the records whose uptime is now
 * smaller than its own. */
void moveup(void);

/* A duration as text of at most 19 characters, in storage that the next call
 * reuses. */
char *time2uptime(int64_t seconds);

/* The seconds that a time text such as "100 days" or "1y 2w" stands for;
 * 0 for a text that cannot be read. */
int64_t scantime(const char *text);

/* Registers a milestone with its own copy of the description (NULL gives an
 * empty one, a longer one is cut to SYSMAX bytes). */
struct milestone *add_milestone(int64_t seconds, const char *description);

/* The milestone with the smallest time greater than uptime, or NULL. */
struct milestone *find_next_milestone(int64_t uptime);

/* Copies a file's bytes to standard output through stdio; a file that cannot
 * be read prints nothing. */
void cat(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_H */
