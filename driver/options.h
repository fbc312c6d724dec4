#ifndef VELLIPO_OPTIONS_H
#define VELLIPO_OPTIONS_H

// Turns the command line into run_settings; the help, the version and the
// usage error end the program from here.
void scan_options(int argc, char **argv);

[[noreturn]] void show_help(const char *program_name);
[[noreturn]] void show_short_help(const char *program_name);
[[noreturn]] void show_version();

#endif
