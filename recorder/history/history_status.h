// history_status.h - what reading a history source found, as every source's
// reader tells it.
#ifndef CORVANE_RECORD_HISTORY_STATUS_H
#define CORVANE_RECORD_HISTORY_STATUS_H

enum class history_status {
	read,       // the source was read (it may hold no boot)
	missing,    // there is no such file
	empty,      // the file is empty
	unreadable, // the source cannot be read: the reader's err tells why
};

#endif // CORVANE_RECORD_HISTORY_STATUS_H
