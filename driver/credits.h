// Who wrote and who maintains the program, as the version lines and the web
// page's credit line name them.
#ifndef VELLIPO_CREDITS_H
#define VELLIPO_CREDITS_H

#define VELLIPO_VERSION "0.4.7"
#define VELLIPO_AUTHOR "the vellipo developers"
#define VELLIPO_AUTHOR_MAIL "vellipo@example.org"
#define VELLIPO_MAINTAINER "the corvane maintainers"
#define VELLIPO_MAINTAINER_MAIL "corvane@example.org"
#define CORVANE_HOME_PAGE "https://corvane.example.org/"

#endif
