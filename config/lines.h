// Reading line-oriented configuration files a character at a time, so that
// every line is examined whole, however long, and a last line without a line
// end counts like any other.
#ifndef VELLIPO_LINES_H
#define VELLIPO_LINES_H

#include <cstddef>
#include <cstdio>

// Reads the first characters of a line into buffer, at most size - 1 of
// them, stopping after a line end (kept) or at the end of the file;
// NUL-terminates.  Returns how many were read: 0 at the end of the file.
size_t read_line_start(FILE *file, char *buffer, size_t size);

// True when the text read by read_line_start ended its line.
bool ends_line(const char *buffer, size_t length);

// Reads and drops the rest of the line.
void skip_line(FILE *file);

// True when text begins with prefix.
bool starts_with(const char *text, const char *prefix);

#endif
