// status.h - the few lines of --status.
#ifndef CORVANE_RECORD_STATUS_H
#define CORVANE_RECORD_STATUS_H

#include <cstdio>

#include "recorder/boot_state/figures.h"

// Prints the figures for a person to read at a glance, the store named on
// the first line.
void print_status(std::FILE *out, const char *store, const record_figures &f);

#endif // CORVANE_RECORD_STATUS_H
