// boot_ends.cpp - how each boot ended: the ends file beside the store.
//
// The file is the store's name with ".ends" added, one line a boot whose end
// is known: its boot time as the store holds it, a blank, and "clean" (its
// shutdown run happened) or "unclean" (the next boot started without one).
// The recorder rewrites it whole, under the writers' lock, as it does the
// store, and keeps every line it cannot read.
#include "recorder/boot_state/boot_ends.h"
#include "recorder/plain_file.h"
#include "recorder/store_names.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace
{

// The longest line read as an end; a longer one is kept as it is.
constexpr std::size_t max_line = 64;

// Reads the decimal number of digits: 0 to INT64_MAX, no sign, no leading
// zero.
bool read_number(const std::string &digits, int64_t &value)
{
	if (digits.empty() || digits.size() > 19 || (digits[0] == '0' && digits.size() > 1))
		return false;
	int64_t number = 0;
	for (char c : digits) {
		if (c < '0' || c > '9' || number > (INT64_MAX - (c - '0')) / 10)
			return false;
		number = number * 10 + (c - '0');
	}
	value = number;
	return true;
}

// Reads "BOOT_TIME clean" or "BOOT_TIME unclean".
bool parse_line(const std::string &line, int64_t &boot_time, boot_end &end)
{
	std::size_t blank = line.find(' ');
	if (blank == std::string::npos || line.size() > max_line)
		return false;
	std::string word = line.substr(blank + 1);
	if (word == "clean")
		end = boot_end::clean;
	else if (word == "unclean")
		end = boot_end::unclean;
	else
		return false;
	return read_number(line.substr(0, blank), boot_time);
}

// Reads "BOOT_TIME suspended SECONDS".
bool parse_suspended(const std::string &line, int64_t &boot_time, int64_t &seconds)
{
	std::size_t first = line.find(' ');
	std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
	if (second == std::string::npos || line.size() > max_line ||
	    line.compare(first, second - first, " suspended") != 0)
		return false;
	return read_number(line.substr(0, first), boot_time) &&
	       read_number(line.substr(second + 1), seconds);
}

// Sets the entry of map at boot_time to value: true when that changed it.
template <typename Value>
bool set_entry(std::map<int64_t, Value> &map, int64_t boot_time, Value value)
{
	auto [it, added] = map.emplace(boot_time, value);
	if (!added && it->second == value)
		return false;
	it->second = value;
	return true;
}

// Moves the entry of map at from, if any, to to: true when there was one.
template <typename Value> bool move_entry(std::map<int64_t, Value> &map, int64_t from, int64_t to)
{
	auto it = map.find(from);
	if (it == map.end())
		return false;
	Value value = it->second;
	map.erase(it);
	map[to] = value;
	return true;
}

} // namespace

bool read_boot_ends(const std::string &path, boot_ends *ends, std::string *err)
{
	*ends = boot_ends{};
	struct stat st;
	int fd = open_plain_file(path.c_str(), st);
	int error = fd < 0 ? errno : 0;
	std::string text;
	char buf[65536];
	while (error == 0) {
		ssize_t n = read(fd, buf, sizeof buf);
		if (n < 0 && errno == EINTR)
			continue;
		if (n < 0)
			error = errno;
		if (n <= 0)
			break;
		text.append(buf, static_cast<std::size_t>(n));
	}
	if (fd >= 0)
		close(fd);
	if (error == ENOENT)
		return true;
	if (error != 0) {
		*err = "cannot read " + path + ": " + store_read_reason(error);
		return false;
	}
	parse_boot_ends(text, *ends);
	return true;
}

void parse_boot_ends(const std::string &text, boot_ends &ends)
{
	ends = boot_ends{};
	std::size_t start = 0;
	while (start < text.size()) {
		std::size_t end = text.find('\n', start);
		if (end == std::string::npos)
			end = text.size();
		std::string line = text.substr(start, end - start);
		start = end + 1;
		int64_t boot_time;
		boot_end how;
		int64_t seconds;
		if (parse_line(line, boot_time, how))
			ends.ends[boot_time] = how;
		else if (parse_suspended(line, boot_time, seconds))
			ends.suspended[boot_time] = seconds;
		else
			ends.kept.push_back(line);
	}
}

std::string boot_ends_text(const boot_ends &ends)
{
	std::string text;
	for (const std::string &line : ends.kept)
		text += line + "\n";
	auto asleep = ends.suspended.begin();
	auto suspended_up_to = [&](int64_t boot_time) {
		for (; asleep != ends.suspended.end() && asleep->first <= boot_time; ++asleep)
			text += std::to_string(asleep->first) + " suspended " +
			        std::to_string(asleep->second) + "\n";
	};
	for (const auto &[boot_time, how] : ends.ends) {
		if (how == boot_end::unknown)
			continue;
		suspended_up_to(boot_time);
		text += std::to_string(boot_time);
		text += how == boot_end::clean ? " clean\n" : " unclean\n";
	}
	suspended_up_to(INT64_MAX);
	return text;
}

bool note_suspended(boot_ends &ends, const recorded_boot &recorded, bool shutdown)
{
	bool changed = false;
	const boot_update &update = recorded.update;
	auto set = [&](int64_t boot_time, int64_t seconds) {
		if (seconds >= 0)
			changed = set_entry(ends.suspended, boot_time, seconds) || changed;
	};
	if (update.moved)
		changed = move_entry(ends.suspended, update.moved_from, update.record->boot_time) ||
		          changed;
	if (update.new_boot)
		set(update.ended_boot, recorded.old_figures.suspended);
	if (shutdown)
		set(update.record->boot_time, recorded.now.suspended);
	return changed;
}

int64_t suspended_of(const boot_ends &ends, int64_t boot_time)
{
	auto it = ends.suspended.find(boot_time);
	return it == ends.suspended.end() ? -1 : it->second;
}

boot_end how_ended(const boot_ends &ends, int64_t boot_time)
{
	auto it = ends.ends.find(boot_time);
	return it == ends.ends.end() ? boot_end::unknown : it->second;
}

bool note_ends(boot_ends &ends, const boot_update &update, bool shutdown)
{
	bool changed = false;
	auto set = [&](int64_t boot_time, boot_end how) {
		changed = set_entry(ends.ends, boot_time, how) || changed;
	};
	if (update.moved)
		changed =
		    move_entry(ends.ends, update.moved_from, update.record->boot_time) || changed;
	if (update.new_boot && how_ended(ends, update.ended_boot) == boot_end::unknown)
		set(update.ended_boot, boot_end::unclean);
	if (shutdown)
		set(update.record->boot_time, boot_end::clean);
	return changed;
}
