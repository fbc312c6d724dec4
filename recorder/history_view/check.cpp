// check.cpp - the records that cannot be true as they stand.
#include "recorder/history_view/check.h"

#include <fstream>
#include <iterator>

#include <dlfcn.h>
#include <unistd.h>

#include "corvane.h"

namespace
{

std::string duration(int64_t seconds)
{
	return time2uptime(seconds);
}

} // namespace

std::vector<finding> doubtful_records(const std::vector<boot_row> &rows)
{
	std::vector<finding> found;
	for (std::size_t i = 0; i < rows.size(); i++) {
		const boot_row &row = rows[i];
		if (row.start < clock_set_time)
			found.push_back(
			    {row.start, "is dated before 2000: the clock was not set yet"});
		if (i > 0) {
			int64_t before_end = rows[i - 1].end;
			if (row.start < before_end)
				found.push_back(
				    {row.start, "starts " + duration(before_end - row.start) +
				                    " before the boot before it ended: they "
				                    "overlap"});
			else if (row.start == before_end)
				found.push_back({row.start, "starts the second the boot before it "
				                            "ended: no downtime at all"});
		}
		if (i > 0 && i + 1 < rows.size()) {
			int64_t room = rows[i + 1].start - rows[i - 1].end;
			int64_t up = row.end - row.start;
			if (room >= 0 && up > room) // else the neighbours overlap, as said
				found.push_back(
				    {row.start, "lasts " + duration(up) + ", longer than the " +
				                    duration(room) +
				                    " from the end of the boot before it to "
				                    "the start of the one after it"});
		}
	}
	return found;
}

std::string container_sign(const std::string &root)
{
	if (access((root + "/run/systemd/container").c_str(), F_OK) == 0)
		return "/run/systemd/container";
	std::ifstream environ(root + "/proc/1/environ", std::ios::binary);
	if (environ) {
		std::string text((std::istreambuf_iterator<char>(environ)),
		                 std::istreambuf_iterator<char>());
		if (text.compare(0, 10, "container=") == 0 ||
		    text.find(std::string("\0container=", 11)) != std::string::npos)
			return "container= in /proc/1/environ";
	}
	if (access((root + "/.dockerenv").c_str(), F_OK) == 0)
		return "/.dockerenv";
	return "";
}

std::string running_container_sign()
{
	// Defined by the test double of the records library alone, never by the
	// real library: an installed run always looks at the machine.
	using sign_call = const char *(*)();
	auto test_sign =
	    reinterpret_cast<sign_call>(dlsym(RTLD_DEFAULT, "corvane_test_container_sign"));
	if (test_sign)
		return test_sign();
	return container_sign("");
}
