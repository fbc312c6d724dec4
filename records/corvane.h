/*
 * corvane.h - the interface of the records library, libcorvane.so.0.
 *
 * The records daemon keeps one record per boot of the machine.  This header
 * declares the records, the milestones and the calls that read them: all
 * that vellipo asks of a records library, ours or a daemon's own, and all it
 * may ask (our library's further calls, for the recorder, are declared in
 * libcorvane/corvane_store.h).  The layout of the two structures and the
 * names below are a binary interface: never reorder them.  Where a comment
 * tells more than the call's purpose, it tells what our library does.
 */
#ifndef CORVANE_H
#define CORVANE_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of a system text or a milestone description, without its NUL. */
#define SYSMAX 256

/* One boot of the machine. */
struct urec {
	int64_t uptime;           /* seconds up */
	time_t boot_time;         /* seconds since the epoch */
	int64_t downtime;         /* seconds down before this boot */
	char sysinfo[SYSMAX + 1]; /* NUL-terminated, cut to SYSMAX bytes */
	struct urec *next;
};

/* A length of uptime worth celebrating. */
struct milestone {
	int64_t time;                 /* seconds of uptime */
	char description[SYSMAX + 1]; /* NUL-terminated, cut to SYSMAX bytes */
	struct milestone *next;
};

/* Head of the list of all records, the running boot's included. */
extern struct urec *urec_list;

/* The running boot's record: defined by the program and exported from its
 * executable, read by the library. */
extern struct urec *u_current;

/* Seconds since the running system booted, time spent suspended included. */
int64_t read_uptime(void);

/* Boot time of the running system, the same value on every call in a boot:
 * the boot time that the running boot's record is stored under when the boot
 * mark (see corvane_store.h) names the running boot, so that a step of the wall clock does
 * not make it a second boot; else the kernel's boot time.  Read once and kept. */
time_t readbootid(void);

/* Name and release of the running system, such as "Linux 6.1.0-28-amd64", in
 * the library's own storage, which the next call reuses. */
char *read_sysinfo(void);

/* A new record holding the three values, linked at the head of urec_list.
 * The text is copied, cut to SYSMAX bytes (NULL gives ""); the downtime is 0.
 * The record is allocated with calloc (free releases it); NULL when memory
 * is short. */
struct urec *add_urec(int64_t uptime, time_t boot_time, const char *sysinfo);

/* Adds every stored boot but the one booted at current_boot_time to urec_list
 * (of several lines for one boot, the longest), puts the whole list in boot
 * time order, oldest first, and sets the downtime of every record in it.  The
 * store is the file named by the environment variable CORVANE_RECORDS, else
 * the one compiled in; a missing store is an empty history, and a line that
 * cannot be read is skipped.  libcorvane/FORMAT.md describes the store. */
void read_records(time_t current_boot_time);

/* Stable sort of a list; returns its new head.  order 0: by uptime, longest
 * first; 1: by boot time, oldest first; -1: newest first; 2: by system text
 * in byte order; -2: the reverse.  Equal keys keep their order in every order;
 * any other order returns the list as it is. */
struct urec *sort_urec(struct urec *head, int order);

/* Moves u_current up in urec_list past the records just above it whose
 * uptime is now smaller than its own (not past an equal one); never down.
 * Does nothing when u_current is NULL or not in the list. */
void moveup(void);

/* A duration as text of at most 19 characters, in storage that the next call
 * reuses: "0 days, 00:00:05", "1 day, 02:03:04", then "12345678 days", then
 * "292471208677 years" when the longer forms do not fit; a leading "-" for a
 * negative one.  libcorvane/FORMAT.md has the details. */
char *time2uptime(int64_t seconds);

/* The seconds that a time text such as "100 days", "1y 2w", "4h30m" or
 * "3600" stands for; 0 for a text that cannot be read whole or a total beyond
 * INT64_MAX.  libcorvane/FORMAT.md has the syntax. */
int64_t scantime(const char *text);

/* Registers a milestone with its own copy of the description (NULL gives an
 * empty one, a longer one is cut to SYSMAX bytes). */
struct milestone *add_milestone(int64_t seconds, const char *description);

/* The milestone with the smallest time greater than uptime (the first
 * registered of equal ones), or NULL. */
struct milestone *find_next_milestone(int64_t uptime);

/* Copies a file's bytes exactly to standard output through stdio, in order
 * with the program's own output; a file that cannot be read (or NULL) prints
 * nothing. */
void cat(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_H */
