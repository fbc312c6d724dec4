#include "driver/output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// The name the messages about standard output start with.
static const char *output_program_name;

void check_output()
{
	errno = 0;
	if (std::fflush(stdout) == 0 && !std::ferror(stdout))
		return;
	int error = errno;
	if (error != 0)
		std::fprintf(stderr, "%s: write error on standard output: %s\n",
		             output_program_name, std::strerror(error));
	else
		std::fprintf(stderr, "%s: write error on standard output\n", output_program_name);
	_exit(1);
}

void watch_output(const char *program_name)
{
	output_program_name = program_name;
	std::atexit(check_output);
}
