// record_memory.cpp - the memory of records: calloc for a small store, blocks
// that the kernel may back with huge pages for a large one.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include <sys/mman.h>

#include "viewer/record_memory.h"
#include "viewer/text.h"

namespace corvane
{

namespace
{

// A large store's records are carved from blocks of memory that the kernel
// may back with huge pages: a record of its own from calloc, each page of
// them met for the first time, costs a page fault per 13 records, which was
// a third of a run over 100,000 records.  The first records still come from
// calloc, so a small store costs no more memory than its records.  A build
// with AddressSanitizer (gcc defines __SANITIZE_ADDRESS__, clang tells it by
// __has_feature) takes every record from calloc, where it is checked.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(CORVANE_ADDRESS_SANITIZER)
constexpr bool use_blocks = false;
#else
constexpr bool use_blocks = true;
#endif

// Records taken from calloc before records come from blocks.
constexpr std::size_t records_before_blocks = 4096;

// The size of a block and the alignment of huge pages.
constexpr std::size_t block_size = std::size_t{8} << 20;
constexpr std::size_t huge_page = std::size_t{2} << 20;

// The blocks records are carved from: each mapping as made, and the part of
// it aligned to huge pages that holds records.
struct record_block {
	void *mapping;
	char *start;
	std::size_t used;
};

// Every block mapped so far, the last one being carved.
std::vector<record_block> blocks;

// Records taken from calloc so far.
std::size_t calloc_records;

// A zeroed record from the last block, or from a new one; nullptr when no
// block can be had.
urec *record_from_block()
{
	if (blocks.empty() || blocks.back().used + sizeof(urec) > block_size) {
		std::size_t length = block_size + huge_page;
		void *mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE,
		                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
		if (mapping == MAP_FAILED)
			return nullptr;
		auto aligned = (reinterpret_cast<std::uintptr_t>(mapping) + huge_page - 1) &
		               ~std::uintptr_t{huge_page - 1};
		char *start = reinterpret_cast<char *>(aligned);
#ifdef MADV_HUGEPAGE
		madvise(start, block_size, MADV_HUGEPAGE);
#endif
		try {
			blocks.push_back({mapping, start, 0});
		} catch (const std::bad_alloc &) {
			munmap(mapping, length);
			return nullptr;
		}
	}
	record_block &block = blocks.back();
	// A fresh mapping is zeroed already.
	auto *rec = reinterpret_cast<urec *>(block.start + block.used);
	block.used += sizeof(urec);
	return rec;
}

bool in_a_block(const urec *rec)
{
	auto address = reinterpret_cast<std::uintptr_t>(rec);
	for (const record_block &block : blocks) {
		auto start = reinterpret_cast<std::uintptr_t>(block.start);
		if (address >= start && address < start + block_size)
			return true;
	}
	return false;
}

} // namespace

urec *new_urec(int64_t uptime, time_t boot_time, const char *text, std::size_t len)
{
	urec *rec = nullptr;
	if (use_blocks && calloc_records >= records_before_blocks)
		rec = record_from_block();
	if (!rec) {
		rec = static_cast<urec *>(std::calloc(1, sizeof(urec)));
		if (!rec)
			return nullptr;
		calloc_records++;
	}
	rec->uptime = uptime;
	rec->boot_time = boot_time;
	rec->downtime = 0;
	copy_text(rec->sysinfo, text, len);
	rec->next = nullptr;
	return rec;
}

void free_urec(urec *rec)
{
	// A record of a block stays until the blocks are dropped.
	if (rec && !in_a_block(rec))
		std::free(rec);
}

void forget_record_memory()
{
	for (const record_block &block : blocks)
		munmap(block.mapping, block_size + huge_page);
	blocks.clear();
	calloc_records = 0;
}

} // namespace corvane
