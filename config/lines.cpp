#include "config/lines.h"

#include <cstring>

size_t read_line_start(FILE *file, char *buffer, size_t size)
{
	size_t length = 0;
	while (length + 1 < size) {
		int c = std::getc(file);
		if (c == EOF)
			break;
		buffer[length++] = static_cast<char>(c);
		if (c == '\n')
			break;
	}
	buffer[length] = '\0';
	return length;
}

bool ends_line(const char *buffer, size_t length)
{
	return length > 0 && buffer[length - 1] == '\n';
}

void skip_line(FILE *file)
{
	int c;
	do
		c = std::getc(file);
	while (c != EOF && c != '\n');
}

bool starts_with(const char *text, const char *prefix)
{
	return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}
