// cat.cpp - copying a file to standard output.
#include <cstdio>

#include "corvane_store.h"

// Goes through stdio, so the bytes land in order with the program's own
// printf output; every byte is copied as it is, NUL bytes included.
extern "C" void cat(const char *path)
{
	if (!path)
		return;
	std::FILE *f = std::fopen(path, "rb");
	if (!f)
		return;
	char buf[16384];
	std::size_t got;
	while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
		if (std::fwrite(buf, 1, got, stdout) != got)
			break;
	}
	std::fclose(f);
}
