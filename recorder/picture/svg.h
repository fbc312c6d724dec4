// svg.h - a picture of the boot history, as a static SVG for the web page:
// a header line (host, release, availability over the last 90 days), a
// timeline of the last 90 days with one bar per boot, 90 daily cells shaded
// by the share of the day the machine was down, and a legend.
#ifndef CORVANE_RECORD_SVG_H
#define CORVANE_RECORD_SVG_H

#include <cstdint>
#include <string>

#include "corvane_store.h"
#include "recorder/boot_state/boot_ends.h"

// The picture of the records of list, with current the running boot (NULL
// for none), whose bar reaches now, and the ends of the ended boots; host
// and release name the machine.  The 90 days are the UTC days up to the one
// that holds now.  Every bar and cell has a <title> with its dates, its
// uptime or downtime and how its boots ended; where several boots fall into
// one pixel column they make one bar, which counts them, so the picture
// stays small however many boots the store holds.  Texts are escaped for
// XML, and bytes that are not UTF-8 replaced, so any system text or host
// name gives a well-formed file.  No script, a fixed viewBox, one <style>.
std::string history_svg(const urec *list, const urec *current, const boot_ends &ends, int64_t now,
                        const std::string &host, const std::string &release);

// text, escaped as XML character data or an attribute value: &, <, >, " and '
// as entities, bytes that are not UTF-8 and characters XML cannot hold
// (control characters but tab and line ends) as U+FFFD.
std::string xml_text(const std::string &text);

// Writes the picture of the records, drawn now for this machine (its host
// name and the running system's text), to the file at path, whole (a new
// file in its folder renamed over it), once check_metrics_folder has found
// its folder.  false, with the message in err, when it cannot.
bool write_history_svg(const char *path, const urec *list, const urec *current,
                       const boot_ends &ends, std::string *err);

#endif // CORVANE_RECORD_SVG_H
