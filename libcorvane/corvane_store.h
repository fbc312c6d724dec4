/*
 * corvane_store.h - libcorvane's further calls, beyond those of corvane.h:
 * the store read with its errors and written whole, the writers' lock, the
 * boot mark, and the kernel's own facts of the running boot.
 *
 * corvane-record and the library's tests use them.  vellipo does not: it
 * runs on any records library that gives the calls of corvane.h, and its
 * sources cannot include this header (their include path holds records/
 * only).  These calls are exported by our libcorvane.so.0 alone.
 */
#ifndef CORVANE_STORE_H
#define CORVANE_STORE_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "corvane.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The kernel's boot time now: the wall clock minus the time since boot, so
 * each step of the wall clock moves it (on Linux the btime of /proc/stat).
 * Now minus uptime where the kernel does not tell. */
time_t read_kernel_boot_time(void);

/* Of the running boot's uptime, the seconds the machine spent suspended
 * (on Linux CLOCK_BOOTTIME, which counts them, minus CLOCK_MONOTONIC, which
 * does not); -1 where the system does not tell. */
int64_t read_suspended_time(void);

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

/* The records store that read_records, write_records, save_records and
 * lock_records use: the file named by the environment variable
 * CORVANE_RECORDS when it is set and not empty, else the path compiled into
 * the library.  The environment is read on each call. */
const char *records_path(void);

/* Every file of one records store, named once from the store's path: the
 * calls that end in "_in" take it, and the calls without it name the files
 * of records_path() this way on each call.  The names are allocated with
 * malloc; free_store_files releases them. */
struct store_files {
	char *store;       /* the store's real file (see real_file_path) */
	char *lock;        /* the writers' lock file: store + ".lock" */
	char *boot_mark;   /* the boot mark: store + ".boot" */
	char *ends;        /* the boot ends file: store + ".ends" */
	char *temp_prefix; /* how replace_file's new files of these files begin:
	                    * the store's folder + "/." + its name + "." */
	int resolve_error; /* 0, or the errno that kept the path from being
	                    * resolved: the names are then those beside the path
	                    * as given, and lock_records_in fails with it */
};

/* Names the files of the store at path into files.  Returns 0, or -1 with
 * errno set, files then empty: EINVAL for a NULL or empty path, ENOMEM.  A
 * path that cannot be resolved is no error (see resolve_error). */
int make_store_files(const char *path, struct store_files *files);

/* Frees the names that make_store_files made, leaving files empty; errno is
 * kept.  An empty value is let be. */
void free_store_files(struct store_files *files);

/* read_records_checked on the store that files names; the uptime of the
 * stored record of the boot that the store's boot mark names is raised to
 * the mark's uptime (see boot_mark_figures). */
int read_records_in(const struct store_files *files, time_t current_boot_time);

/* write_records on the store that files names. */
int write_records_in(const struct store_files *files, int fd);

/* save_records on the store that files names. */
int save_records_in(const struct store_files *files);

/* lock_records_within on the store that files names, waiting seconds at
 * most; a negative seconds waits for as long as lock_records does. */
int lock_records_in(const struct store_files *files, long seconds);

/* records_lock_holder of the store that files names. */
long records_lock_holder_in(const struct store_files *files);

/* What the boot mark tells of its boot besides the id and the boot time,
 * each -1 where the mark holds none.  The mark of a recorder's run, one line
 * "BOOT_ID BOOT_TIME UPTIME STORED SUSPENDED" ("-" for a figure it lacks),
 * keeps the running boot's figures between the runs that rewrite the store:
 * read_records_in raises the uptime of the marked boot's stored record to
 * the mark's, so that every reader sees the figure of the last run. */
struct boot_mark_figures {
	int64_t uptime;    /* the uptime that the recorder's last run read */
	int64_t stored;    /* the uptime that the store held for the boot when
	                    * the recorder last wrote it */
	int64_t suspended; /* of the uptime, the seconds spent suspended */
};

/* read_boot_mark on the boot mark of the store that files names, with its
 * figures into figures, which may be NULL. */
int read_boot_mark_in(const struct store_files *files, struct boot_mark *mark,
                      struct boot_mark_figures *figures);

/* save_boot_mark on the boot mark of the store that files names, with the
 * figures (NULL: none).  Returns 0, or -1 with errno set: EINVAL also for a
 * figure below -1, or for a stored or suspended time without an uptime. */
int save_boot_mark_in(const struct store_files *files, const struct boot_mark *mark,
                      const struct boot_mark_figures *figures);

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

#endif /* CORVANE_STORE_H */
