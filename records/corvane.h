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
 * mark (below) names the running boot, so that a step of the wall clock does
 * not make it a second boot; else the kernel's boot time.  Read once and kept. */
time_t readbootid(void);

/* The kernel's boot time now: the wall clock minus the time since boot, so
 * each step of the wall clock moves it (on Linux the btime of /proc/stat).
 * Now minus uptime where the kernel does not tell. */
time_t read_kernel_boot_time(void);

/* The kernel's id of the running boot, such as
 * "5b4c3273-82fc-49bf-ac1d-566b6b43b36a", which no clock step changes, in the
 * library's own storage; "" where the system keeps none. */
const char *read_boot_id(void);

/* The boot mark: which boot a recorder recorded last, and under which boot
 * time its record is stored.  It is kept beside the store, in the file named
 * like the store with ".boot" added, as one line "BOOT_ID BOOT_TIME". */
struct boot_mark {
	char id[64];      /* NUL-terminated: letters, digits and '-' */
	time_t boot_time; /* seconds since the epoch */
};

/* Reads the boot mark into mark: 1, or 0 with mark cleared when there is no
 * mark or it cannot be read (not a plain file, not exactly one such line). */
int read_boot_mark(struct boot_mark *mark);

/* Replaces the boot mark whole, as replace_file does.  Returns 0, or -1 with
 * errno set: EINVAL for an id that a mark cannot hold or a negative time. */
int save_boot_mark(const struct boot_mark *mark);

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

/* Moves a record of urec_list to another boot time: the stored lines of the
 * boot time it leaves are dropped by the next write_records or save_records
 * (unless the list holds another record of that time), so that the boot is
 * stored once, under its new time.  Returns 0, or -1 with errno ENOMEM. */
int move_urec(struct urec *rec, time_t boot_time);

/* Does what read_records does, and tells whether the store could be read.
 * The store is opened without blocking and read to the end of the file.
 * Returns 0 when it was read or is missing (an empty history); else -1 with
 * errno set, the list then ordered as read_records leaves it, with the
 * records read before the error: EISDIR when the store is a folder, EINVAL
 * when it is not a plain file (a device, a fifo, a socket: it is not read),
 * ENOMEM when memory is short (the list then stays as it was), else the
 * error of the open (EACCES, ...) or of a read, which ends the store where
 * it happens. */
int read_records_checked(time_t current_boot_time);

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

/* The records store that read_records, write_records, save_records and
 * lock_records use: the file named by the environment variable
 * CORVANE_RECORDS when it is set and not empty, else the path compiled into
 * the library.  The environment is read on each call. */
const char *records_path(void);

/* Writes to the open file fd the store as save_records would leave it.  The
 * store is rewritten line by line: every line that holds no boot of urec_list
 * (comments, blank lines, lines that cannot be read, boots the list lacks) is
 * copied as it is, byte for byte.  The first line of a boot the list holds
 * takes the record's uptime and text (a stored text longer than SYSMAX that
 * begins with the record's is kept whole, unless the longer uptime would
 * take the line beyond the 4096 bytes that the reader reads: it is then cut
 * to the record's, what the reader keeps; a "\r\n" line end is kept); later
 * lines of that boot are dropped.  A text that ends in '\r' is written with
 * a "\r\n" line end, so that it reads back with its '\r'.  A stored uptime is never lowered: a
 * line longer than the record stays as it is and stands for it.  The boots
 * that no line holds follow at the end, oldest first.  Of several records of
 * one boot time in the list, the longest is written.  Returns 0, or -1 with
 * errno set: EINVAL, before anything is written, when a record cannot be
 * stored (a negative number, a time at or after 9999-01-01, a line end in
 * the text); EISDIR or EINVAL when the store is not a
 * plain file; else the error of the read or the write.  A missing store is
 * an empty one. */
int write_records(int fd);

/* Replaces the store with the text that write_records makes, whole, as
 * replace_file replaces a file (a stray new file is named ".records.XXXXXX"
 * for a store named "records").  Returns 0, or -1 with errno set, the old
 * store then untouched (see replace_file).  A program that reads the store,
 * changes urec_list and saves it holds lock_records across the three. */
int save_records(void);

/* Replaces the file at path whole with the size bytes at bytes, the way
 * save_records replaces the store: they are written to a new file in the
 * file's folder, named "." + its name + ".XXXXXX" (six characters of
 * mkstemp), flushed to the disk and renamed over the file, then the folder
 * is flushed, so that the file is at every moment either the old one or the
 * new one, whole.  The folder and those above it are made (mode 0755) when
 * missing; a new file has mode 0644 whatever the umask, and an old file's
 * mode and owner are kept.  A symbolic link is replaced where it points (a
 * link to no file yet makes the file it names), and so is a file reached
 * through linked folders.  Only a plain file is replaced: EISDIR for a
 * folder, EINVAL for any other kind of file.  Returns 0, or -1 with errno
 * set, the old file then untouched and the new file gone; only when the
 * flush of the folder fails, after the rename, is the new file in place
 * though -1 is returned.  NULL bytes with a size of 0 make an empty file. */
int replace_file(const char *path, const void *bytes, size_t size);

/* Takes the lock that writers of the store hold: an exclusive flock on the
 * lock file, named like the store's real file (see real_file_path) with
 * ".lock" added and lying beside it, so that every path that reaches one
 * store (a link, a relative path, a linked folder) takes the one lock.  The
 * lock file is made, with its folders, when missing.  Waits for as long as
 * another writer holds the lock.  Once it holds the lock, it writes the
 * process id into the lock file (see records_lock_holder) and takes away
 * the strays of writers that died before their rename: the plain files in
 * the store's folder named "." + the store's name + ".XXXXXX" or "." + the
 * store's name + "." + SUFFIX + ".XXXXXX", XXXXXX being six letters or
 * digits, so that the new files of replace_file for files beside the store
 * ("records.boot", "records.ends") are taken away too; those of a file
 * beside it that is itself a store, with a lock file of its own, are left
 * to its own writers.  Every writer of the store, and of the files beside
 * it, must hold the lock while it replaces them.  Returns the lock, a file
 * descriptor for unlock_records, or -1 with errno set.  The lock ends when
 * the process does. */
int lock_records(void);

/* lock_records, but waiting seconds at most for another writer to let go (0:
 * not at all): -1 with errno EWOULDBLOCK when another writer held the lock
 * all that time, or with the error that kept it from being taken. */
int lock_records_within(unsigned int seconds);

/* The process id that the store's lock file records, that of the writer
 * that holds the lock (or held it last, for a moment after it ended); 0
 * when the file records none or that process no longer runs. */
long records_lock_holder(void);

/* The path of the file that path names, resolved: the real path of the file
 * (every symbolic link followed, "." and ".." taken away) when it exists,
 * else the real path of its folder followed by its name; a link to no file
 * yet gives the file it points to, and folders that do not exist yet are
 * resolved as far as they exist.  replace_file, save_records and the lock
 * work on this path.  The path is allocated with malloc (free releases it);
 * NULL with errno set when it cannot be resolved (ELOOP, ENOTDIR, EACCES). */
char *real_file_path(const char *path);

/* Lets go of a lock that lock_records or lock_records_within took, emptying
 * the lock file of the holder's process id. */
void unlock_records(int lock);

/* The boot mark with the uptime of the recorder's last run in the marked
 * boot, one line "BOOT_ID BOOT_TIME UPTIME" (the mark of an older recorder,
 * "BOOT_ID BOOT_TIME", still reads, without an uptime).  Within one boot the
 * uptime only grows, so an uptime below the mark's is a new boot even when
 * the boot id is the same (an id that could not be told apart, such as the
 * host's read in a container): readbootid then gives the kernel's boot time.
 * read_boot_mark reads both forms, ignoring the uptime; save_boot_mark
 * writes the form without one.  Both read and write every time and uptime
 * from 0 to INT64_MAX. */

/* Reads the boot mark as read_boot_mark does, and its uptime into uptime:
 * -1 when the mark holds none. */
int read_boot_mark_uptime(struct boot_mark *mark, int64_t *uptime);

/* Replaces the boot mark whole with the mark and the uptime, as
 * save_boot_mark does.  Returns 0, or -1 with errno set: EINVAL also for a
 * negative uptime. */
int save_boot_mark_uptime(const struct boot_mark *mark, int64_t uptime);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_H */
