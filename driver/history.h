// Reading the stored boots through the records library.
#ifndef VELLIPO_HISTORY_H
#define VELLIPO_HISTORY_H

// Adds the stored boots to the library's list, beside the current entry.
// Where the library tells whether its store could be read (ours does), a
// store that exists but cannot be read is told on standard error, in one
// line that names it, and false is returned: the report then shows what
// could be read, an empty history at worst.  With any other records library
// the boots are read as it reads them, and true is returned.
bool read_history(const char *program_name);

#endif
