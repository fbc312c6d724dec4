// fuzz_support.h - what the fuzz targets share: a scratch folder for the
// files that a target hands its reader, and the check that stops a run.
#ifndef VELLIPO_FUZZ_SUPPORT_H
#define VELLIPO_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

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

} // namespace fuzz

#endif // VELLIPO_FUZZ_SUPPORT_H
