// The files the program reads besides the records store.
#ifndef VELLIPO_PATHS_H
#define VELLIPO_PATHS_H

extern const char path_corvane_conf[]; // the daemon's configuration (milestones)
extern const char path_web_conf[];     // the web page's settings
extern const char path_web_header[];   // copied before the web page's report
extern const char path_web_footer[];   // copied after it

#endif
