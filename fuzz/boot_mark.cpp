// boot_mark.cpp - fuzz target: the boot mark beside the store, read from any
// bytes and saved from any values.
//
// A mark that reads is one that save_boot_mark_in writes back byte for byte
// with the figures it read, since there is one way to write each; the
// readers of its uptime alone and of no figure read the same mark.
// A mark made of the input's bytes saves exactly when the reader can read
// it back, and reads back as saved.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "corvane_store.h"
#include "fuzz/fuzz_support.h"

namespace
{

std::string contents(const std::string &path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool valid_id(const char *id)
{
	std::size_t len = strnlen(id, sizeof(boot_mark::id));
	if (len == 0 || len >= sizeof(boot_mark::id))
		return false;
	for (std::size_t i = 0; i < len; i++) {
		char c = id[i];
		if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
		      c == '-'))
			return false;
	}
	return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
	static const std::string store = fuzz::scratch_dir() + "/records";
	static const std::string mark_file = store + ".boot";
	setenv("CORVANE_RECORDS", store.c_str(), 1);

	static store_files files = [] {
		store_files made;
		if (make_store_files(store.c_str(), &made) != 0)
			std::abort();
		return made;
	}();

	// The input as the mark.
	fuzz::put_file(mark_file, data, size);
	boot_mark mark;
	int64_t uptime = 0;
	int read = read_boot_mark_uptime(&mark, &uptime);
	boot_mark plain;
	fuzz::check(read_boot_mark(&plain) == read, "the two readers disagree");
	boot_mark whole;
	boot_mark_figures figures;
	fuzz::check(read_boot_mark_in(&files, &whole, &figures) == read,
	            "the reader of the figures disagrees");
	if (read) {
		fuzz::check(std::strcmp(plain.id, mark.id) == 0 &&
		                plain.boot_time == mark.boot_time &&
		                std::strcmp(whole.id, mark.id) == 0 &&
		                whole.boot_time == mark.boot_time && figures.uptime == uptime,
		            "the readers read different marks");
		fuzz::check(valid_id(mark.id), "an id that a mark cannot hold read");
		fuzz::check(mark.boot_time >= 0 && uptime >= -1 && figures.stored >= -1 &&
		                figures.suspended >= -1,
		            "a negative number read");
		int saved = save_boot_mark_in(&files, &whole, &figures);
		fuzz::check(saved == 0, "a mark read cannot be saved");
		fuzz::check(contents(mark_file) ==
		                std::string(reinterpret_cast<const char *>(data), size),
		            "a mark read is saved otherwise");
	} else {
		fuzz::check(plain.id[0] == '\0' && plain.boot_time == 0 && mark.id[0] == '\0' &&
		                mark.boot_time == 0 && uptime == -1,
		            "a mark that does not read left values");
	}

	// A mark of the input's values: the last 16 bytes the boot time and
	// the uptime, the bytes before them (63 at most) the id.
	if (size >= 16) {
		boot_mark made = {};
		std::size_t id_len = std::min<std::size_t>(size - 16, sizeof made.id - 1);
		std::memcpy(made.id, data, id_len);
		int64_t values[2];
		std::memcpy(values, data + size - 16, sizeof values);
		made.boot_time = static_cast<time_t>(values[0]);
		errno = 0;
		int saved = save_boot_mark_uptime(&made, values[1]);
		bool acceptable = valid_id(made.id) && made.boot_time >= 0 && values[1] >= 0;
		fuzz::check((saved == 0) == acceptable,
		            "save_boot_mark_uptime took or refused wrongly");
		if (saved == 0) {
			boot_mark back;
			int64_t back_uptime;
			fuzz::check(read_boot_mark_uptime(&back, &back_uptime) == 1,
			            "a mark saved does not read back");
			fuzz::check(std::strcmp(back.id, made.id) == 0 &&
			                back.boot_time == made.boot_time &&
			                back_uptime == values[1],
			            "a mark saved reads back otherwise");
		} else {
			fuzz::check(errno == EINVAL,
			            "a mark refused for another reason than EINVAL");
		}
		saved = save_boot_mark(&made);
		fuzz::check((saved == 0) == (valid_id(made.id) && made.boot_time >= 0),
		            "save_boot_mark took or refused wrongly");
		if (saved == 0) {
			boot_mark back;
			fuzz::check(read_boot_mark(&back) == 1 && back.boot_time == made.boot_time,
			            "a mark saved without an uptime does not read back");
		}
	}
	return 0;
}
