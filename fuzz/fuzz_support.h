// fuzz_support.h - what the fuzz targets share: a scratch folder for the
// files that a target hands its reader, and the check that stops a run.
#ifndef VELLIPO_FUZZ_SUPPORT_H
#define VELLIPO_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz
{

// The folder of this process's scratch files, made on the first call below
// TMPDIR (or /tmp) and removed when the process exits.
const std::string &scratch_dir();

// Makes the scratch folder the working folder, for readers that look below
// ".", once.
void enter_scratch_dir();

// Writes the bytes as the whole content of the file at path, making the
// folders of a relative path.
void put_file(const std::string &path, const uint8_t *data, std::size_t size);

// Writes the store that write_records makes of urec_list and the store
// named by CORVANE_RECORDS to the file at path: write_records' result.
int write_store(const std::string &path);

// Ends the run with a message on standard error when a property does not
// hold, so that the fuzzer keeps the input.
void check(bool holds, const char *what);

// The input of the targets whose input is a list of values, one item a
// line: each line's words (split at blanks), and the line whole.
struct input_line {
	std::vector<std::string> words;
	std::string text;
};
std::vector<input_line> lines_of(const uint8_t *data, std::size_t size);

// The words of a line after the first n, as they are (blanks included).
std::string rest_of(const input_line &line, std::size_t n);

// A word as a number: decimal digits with an optional sign, held within the
// range of int64_t; 0 for any other word, and for none.
int64_t number_of(const std::vector<std::string> &words, std::size_t i);

} // namespace fuzz

#endif // VELLIPO_FUZZ_SUPPORT_H
