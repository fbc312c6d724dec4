// wtmp_writer.h - writing a login accounting file, for the tests of the
// import.
#ifndef CORVANE_RECORD_WTMP_WRITER_H
#define CORVANE_RECORD_WTMP_WRITER_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <utmpx.h>

// The kinds of record that a test writes.
enum class wtmp_kind { boot, shutdown, runlevel, login };

// Appends a record of the kind at the time when to the file at path (made
// when missing: updwtmpx only appends), with updwtmpx, the way the system
// writes it: a boot holds the kernel release (text) as its host, a login the
// user name (text).
inline void append_wtmp(const std::string &path, wtmp_kind kind, int64_t when,
                        const std::string &text = "")
{
	struct utmpx ut;
	std::memset(&ut, 0, sizeof ut);
	// A field need not end with a NUL when the value fills it.
	auto set = [](char *field, std::size_t size, const std::string &value) {
		std::memcpy(field, value.data(), value.size() < size ? value.size() : size);
	};
	switch (kind) {
	case wtmp_kind::boot:
		ut.ut_type = BOOT_TIME;
		set(ut.ut_user, sizeof ut.ut_user, "reboot");
		set(ut.ut_line, sizeof ut.ut_line, "~");
		set(ut.ut_host, sizeof ut.ut_host, text);
		break;
	case wtmp_kind::shutdown:
		ut.ut_type = RUN_LVL;
		set(ut.ut_user, sizeof ut.ut_user, "shutdown");
		set(ut.ut_line, sizeof ut.ut_line, "~~");
		break;
	case wtmp_kind::runlevel:
		ut.ut_type = RUN_LVL;
		set(ut.ut_user, sizeof ut.ut_user, "runlevel");
		set(ut.ut_line, sizeof ut.ut_line, "~");
		break;
	case wtmp_kind::login:
		ut.ut_type = USER_PROCESS;
		set(ut.ut_user, sizeof ut.ut_user, text);
		set(ut.ut_line, sizeof ut.ut_line, "pts/0");
		break;
	}
	set(ut.ut_id, sizeof ut.ut_id, "~~");
	ut.ut_tv.tv_sec = static_cast<decltype(ut.ut_tv.tv_sec)>(when);
	if (std::FILE *f = std::fopen(path.c_str(), "ab"))
		std::fclose(f);
	updwtmpx(path.c_str(), &ut);
}

#endif // CORVANE_RECORD_WTMP_WRITER_H
