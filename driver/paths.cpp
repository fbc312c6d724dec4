#include "driver/paths.h"

// The shipped program reads its files at their absolute paths; its test
// build is compiled with the prefix "." and reads them below its working
// folder, where each test lays out its own.
#ifndef VELLIPO_PREFIX
#define VELLIPO_PREFIX ""
#endif

const char path_corvane_conf[] = VELLIPO_PREFIX "/usr/local/etc/corvane.conf";
const char path_web_conf[] = VELLIPO_PREFIX "/etc/vellipo-cgi/vellipo.conf";
const char path_web_header[] = VELLIPO_PREFIX "/etc/vellipo-cgi/vellipo.header";
const char path_web_footer[] = VELLIPO_PREFIX "/etc/vellipo-cgi/vellipo.footer";
