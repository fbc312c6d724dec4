#include "config/milestones.h"

#include <cstdio>

#include "config/lines.h"
#include "corvane.h"
#include "driver/paths.h"

// A time text longer than this is no time; it is read as one that cannot be
// read.
constexpr size_t time_text_size = 1024;

// The description handed to the library, which cuts it to SYSMAX bytes.
constexpr size_t description_size = SYSMAX + 2;

// Reads a definition after its "MILESTONE" and separator: the time up to the
// next colon (leading colons skipped; without a colon, the rest of the line,
// its line end included), then the description up to the line end.  A NUL
// byte ends the text of the line, as it would for the C library's string
// calls: what follows it up to the line end is skipped.
static void read_definition(FILE *file)
{
	static char time_text[time_text_size];
	static char description[description_size];
	size_t time_length = 0;
	bool time_too_long = false;
	size_t description_length = 0;

	int c = std::getc(file);
	while (c == ':')
		c = std::getc(file);
	for (; c != EOF && c != ':' && c != '\0'; c = std::getc(file)) {
		if (time_length + 1 < time_text_size)
			time_text[time_length++] = static_cast<char>(c);
		else
			time_too_long = true;
		if (c == '\n')
			break;
	}
	time_text[time_length] = '\0';
	if (c == ':') {
		for (c = std::getc(file); c != EOF && c != '\n' && c != '\0'; c = std::getc(file))
			if (description_length + 1 < description_size)
				description[description_length++] = static_cast<char>(c);
	}
	description[description_length] = '\0';
	if (c == '\0')
		skip_line(file);

	// The file ended right after the separator: there is no definition.
	if (time_length == 0)
		return;
	int64_t seconds = scantime(time_too_long ? "" : time_text);
	add_milestone(seconds, description_length > 0 ? description : nullptr);
}

void load_milestones()
{
	FILE *file = std::fopen(path_corvane_conf, "r");
	if (file == nullptr)
		return;
	// "MILESTONE" and its separator.
	char start[11];
	for (;;) {
		size_t length = read_line_start(file, start, sizeof start);
		if (length == 0)
			break;
		if (ends_line(start, length))
			continue;
		// The separator is not looked at, whatever byte it is (a NUL too):
		// the definition is read from the byte after it.
		if (length == 10 && starts_with(start, "MILESTONE"))
			read_definition(file);
		else
			skip_line(file);
	}
	std::fclose(file);
}
