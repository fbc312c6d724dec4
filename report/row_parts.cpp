#include "report/row_parts.h"

#include <cstring>

#include "corvane.h"
#include "driver/settings.h"

const char *highlight_start(int highlight)
{
	if (!highlight || run_settings.no_ansi)
		return "";
	return run_settings.web_mode ? "<b>" : "\033[1m";
}

const char *highlight_end(int highlight)
{
	if (!highlight || run_settings.no_ansi)
		return "";
	return run_settings.web_mode ? "</b>" : "\033[0m";
}

void copy_duration(int64_t seconds, char (&buffer)[duration_width + 1])
{
	const char *text = time2uptime(seconds);
	size_t length = strnlen(text, duration_width);
	std::memcpy(buffer, text, length);
	buffer[length] = '\0';
}
