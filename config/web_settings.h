#ifndef VELLIPO_WEB_SETTINGS_H
#define VELLIPO_WEB_SETTINGS_H

// Reads the web page's settings file: LAYOUT, SHOW_MAX and TYPE.
void load_web_settings();

#endif
