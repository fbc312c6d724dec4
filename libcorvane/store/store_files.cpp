// store_files.cpp - where the records store is.
#include <cstdlib>

#include "corvane_store.h"

#ifndef CORVANE_RECORDS_PATH
#error "CORVANE_RECORDS_PATH must name the records store"
#endif

// The environment is read on every call, so that a program may name another
// store with setenv before it reads or writes.
extern "C" const char *records_path(void)
{
	const char *path = std::getenv("CORVANE_RECORDS");
	if (!path || !*path)
		path = CORVANE_RECORDS_PATH;
	return path;
}
