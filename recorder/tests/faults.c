/*
 * faults.c - a test double of the C library's file calls, loaded with
 * LD_PRELOAD, that fails or stops the process at a chosen call:
 *
 *   CORVANE_FAULT=CALL:N:WHAT
 *
 * CALL is write, fsync, close or rename, or any for all four counted
 * together; at the N-th such call (from 1), WHAT happens instead of it:
 *   ENOSPC, EIO, EACCES  the call fails with that error;
 *   KILL                 the process is killed by SIGKILL;
 *   STOP                 the process stops (SIGSTOP), and does the call once
 *                        continued.
 * Without CORVANE_FAULT every call goes through.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Calls counted so far, for CALL and for any. */
static long counted;

/* What the call that is now being made must do: 0 to go through, else an
 * error number to fail with; it may stop or kill the process first. */
static int fault(const char *call)
{
	const char *setting = getenv("CORVANE_FAULT");
	char name[16];
	long n;
	char what[16];
	if (setting == NULL || sscanf(setting, "%15[a-z]:%ld:%15[A-Z]", name, &n, what) != 3)
		return 0;
	if (strcmp(name, "any") != 0 && strcmp(name, call) != 0)
		return 0;
	if (++counted != n)
		return 0;
	if (strcmp(what, "KILL") == 0)
		raise(SIGKILL);
	if (strcmp(what, "STOP") == 0) {
		raise(SIGSTOP);
		return 0;
	}
	if (strcmp(what, "ENOSPC") == 0)
		return ENOSPC;
	if (strcmp(what, "EIO") == 0)
		return EIO;
	if (strcmp(what, "EACCES") == 0)
		return EACCES;
	return 0;
}

/* The C library's function of that name. */
static void *next(const char *name)
{
	void *f = dlsym(RTLD_NEXT, name);
	if (f == NULL)
		abort();
	return f;
}

ssize_t write(int fd, const void *buf, size_t count)
{
	int error = fault("write");
	if (error != 0) {
		errno = error;
		return -1;
	}
	ssize_t (*real)(int, const void *, size_t) =
	    (ssize_t(*)(int, const void *, size_t))next("write");
	return real(fd, buf, count);
}

int fsync(int fd)
{
	int error = fault("fsync");
	if (error != 0) {
		errno = error;
		return -1;
	}
	int (*real)(int) = (int (*)(int))next("fsync");
	return real(fd);
}

int close(int fd)
{
	int error = fault("close");
	int (*real)(int) = (int (*)(int))next("close");
	int result = real(fd);
	/* A failed close has still closed the file. */
	if (error != 0) {
		errno = error;
		return -1;
	}
	return result;
}

int rename(const char *from, const char *to)
{
	int error = fault("rename");
	if (error != 0) {
		errno = error;
		return -1;
	}
	int (*real)(const char *, const char *) =
	    (int (*)(const char *, const char *))next("rename");
	return real(from, to);
}
