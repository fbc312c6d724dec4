// replay_main.cpp - runs a fuzz target over the inputs of a corpus, for a
// build without libFuzzer: every file named, and every file of each folder
// named, in name order, once.  The tests replay the committed corpora so that
// every input that ever found a fault keeps being tried.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size);

namespace
{

void replay(const std::filesystem::path &path)
{
	std::ifstream in(path, std::ios::binary);
	if (!in) {
		std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
		std::exit(2);
	}
	std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
	                        std::istreambuf_iterator<char>());
	// A copy of its own, so that a read past the input's end is seen.
	std::vector<uint8_t> input(bytes.begin(), bytes.end());
	// libFuzzer hands an empty input at an address too.
	static const uint8_t nothing = 0;
	LLVMFuzzerTestOneInput(input.empty() ? &nothing : input.data(), input.size());
}

} // namespace

int main(int argc, char **argv)
{
	// Some targets change the working folder: every path is made absolute
	// before the first input runs.
	std::vector<std::filesystem::path> named_paths;
	for (int i = 1; i < argc; i++)
		named_paths.push_back(std::filesystem::absolute(argv[i]));
	std::size_t count = 0;
	for (const auto &named : named_paths) {
		std::vector<std::filesystem::path> files;
		if (std::filesystem::is_directory(named)) {
			for (const auto &entry : std::filesystem::directory_iterator(named))
				if (entry.is_regular_file())
					files.push_back(entry.path());
			std::sort(files.begin(), files.end());
		} else {
			files.push_back(named);
		}
		for (const auto &file : files) {
			replay(file);
			count++;
		}
	}
	std::printf("replayed %zu inputs\n", count);
	return count > 0 ? 0 : 1;
}
