// wtmp_writer - writes a login accounting file for the shell tests of the
// import:
//
//   wtmp_writer FILE RECORD...
//
// each RECORD is boot:TIME:RELEASE, shutdown:TIME, runlevel:TIME or
// login:TIME:USER, appended in order.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "recorder/history/wtmp_writer.h"

int main(int argc, char **argv)
{
	if (argc < 2) {
		std::fprintf(stderr, "usage: wtmp_writer FILE RECORD...\n");
		return 2;
	}
	for (int i = 2; i < argc; i++) {
		std::string record = argv[i];
		std::string::size_type colon = record.find(':');
		std::string kind = record.substr(0, colon);
		std::string rest = colon == std::string::npos ? "" : record.substr(colon + 1);
		std::string::size_type second = rest.find(':');
		int64_t when = std::strtoll(rest.substr(0, second).c_str(), nullptr, 10);
		std::string text = second == std::string::npos ? "" : rest.substr(second + 1);
		if (kind == "boot")
			append_wtmp(argv[1], wtmp_kind::boot, when, text);
		else if (kind == "shutdown")
			append_wtmp(argv[1], wtmp_kind::shutdown, when);
		else if (kind == "runlevel")
			append_wtmp(argv[1], wtmp_kind::runlevel, when);
		else if (kind == "login")
			append_wtmp(argv[1], wtmp_kind::login, when, text);
		else {
			std::fprintf(stderr, "wtmp_writer: unknown record %s\n", argv[i]);
			return 2;
		}
	}
	return 0;
}
