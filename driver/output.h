#ifndef VELLIPO_OUTPUT_H
#define VELLIPO_OUTPUT_H

// Makes every way out of the program check that standard output was written:
// a failed write ends the program with status 1 and a message.
void watch_output(const char *program_name);

// Flushes standard output; a failed write ends the program as above.
void check_output();

#endif
