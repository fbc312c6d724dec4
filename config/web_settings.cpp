#include "config/web_settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "config/lines.h"
#include "driver/number.h"
#include "driver/paths.h"
#include "driver/settings.h"

// The start of a line, read as far as the key tests need.
struct line_start {
	char text[9]; // the longest key, "SHOW_MAX", and its NUL
	size_t length;
	bool ended; // the line end or the end of the file was met
};

// Reads more of the line until it holds want characters or ends.
static void extend(FILE *file, line_start &line, size_t want)
{
	while (!line.ended && line.length < want) {
		int c = std::getc(file);
		if (c == EOF || c == '\n') {
			line.ended = true;
			break;
		}
		line.text[line.length++] = static_cast<char>(c);
	}
	line.text[line.length] = '\0';
}

// Reads the separator after a key; true when a value may follow it.
static bool skip_separator(FILE *file, const line_start &line)
{
	if (line.ended)
		return false;
	int c = std::getc(file);
	return c != EOF && c != '\n';
}

// Reads the start of a value, enough to tell its words apart, and the rest
// of the line.  An absent value is empty.
static void read_word(FILE *file, bool present, char (&word)[9])
{
	word[0] = '\0';
	if (!present)
		return;
	size_t length = read_line_start(file, word, sizeof word);
	if (!ends_line(word, length))
		skip_line(file);
}

// Reads a value as atoi reads a text (leading blanks, an optional sign, the
// leading digits; 0 when there are none) up to the line end, saturating
// beyond the 32-bit range, and the rest of the line.
static int32_t read_line_number(FILE *file, bool present)
{
	if (!present)
		return 0;
	int c = std::getc(file);
	while (c != '\n' && c != EOF && std::isspace(c))
		c = std::getc(file);
	bool negative = false;
	if (c == '+' || c == '-') {
		negative = c == '-';
		c = std::getc(file);
	}
	int64_t magnitude = 0;
	for (; c != EOF && std::isdigit(c); c = std::getc(file))
		magnitude = add_digit(magnitude, c - '0');
	if (c != '\n' && c != EOF)
		skip_line(file);
	return saturated_number(negative, magnitude);
}

void load_web_settings()
{
	FILE *file = std::fopen(path_web_conf, "r");
	if (file == nullptr)
		return;
	for (;;) {
		int first = std::getc(file);
		if (first == EOF)
			break;
		std::ungetc(first, file);

		line_start line = {};
		char word[9];
		extend(file, line, 4);
		if (std::strcmp(line.text, "TYPE") == 0) {
			read_word(file, skip_separator(file, line), word);
			if (starts_with(word, "system"))
				run_settings.show_downtime = 0;
			else if (starts_with(word, "downtime"))
				run_settings.show_downtime = 1;
			continue;
		}
		extend(file, line, 6);
		if (std::strcmp(line.text, "LAYOUT") == 0) {
			read_word(file, skip_separator(file, line), word);
			if (starts_with(word, "table"))
				run_settings.layout = layout_table;
			else if (starts_with(word, "list"))
				run_settings.layout = layout_list;
			else
				run_settings.layout = layout_pre;
			continue;
		}
		extend(file, line, 8);
		if (std::strcmp(line.text, "SHOW_MAX") == 0) {
			run_settings.max_entries =
			    read_line_number(file, skip_separator(file, line));
			continue;
		}
		if (!line.ended)
			skip_line(file);
	}
	std::fclose(file);
}
