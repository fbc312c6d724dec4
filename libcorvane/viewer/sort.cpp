// sort.cpp - stable sorting of a list of records.
//
// The records are sorted in an array of their keys and relinked: following
// the links of records scattered in memory misses the cache at nearly every
// step, and a large list costs several times more sorted on its links.  When
// the array cannot be had, a bottom-up merge sort on the links does the same
// without allocating: bins[i] holds a sorted run of 2^i records taken from
// the list before the records still to come, so merging a bin (left) with a
// newer run (right) and taking from the right only when it sorts strictly
// before keeps equal keys in their present order; 64 bins hold any list that
// fits in memory.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "corvane_store.h"

namespace
{

// Whether a sorts strictly before b in the order asked for.
using before_fn = bool (*)(const urec *a, const urec *b);

bool longer_uptime(const urec *a, const urec *b)
{
	return a->uptime > b->uptime;
}

bool older_boot(const urec *a, const urec *b)
{
	return a->boot_time < b->boot_time;
}

bool newer_boot(const urec *a, const urec *b)
{
	return a->boot_time > b->boot_time;
}

bool system_bytes_up(const urec *a, const urec *b)
{
	return std::strcmp(a->sysinfo, b->sysinfo) < 0;
}

bool system_bytes_down(const urec *a, const urec *b)
{
	return std::strcmp(a->sysinfo, b->sysinfo) > 0;
}

// Merges two sorted runs; on equal keys the records of left come first.
urec *merge(urec *left, urec *right, before_fn before)
{
	urec *merged = nullptr;
	urec **tail = &merged;
	while (left && right) {
		urec **from = before(right, left) ? &right : &left;
		*tail = *from;
		tail = &(*from)->next;
		*from = (*from)->next;
	}
	*tail = left ? left : right;
	return merged;
}

urec *merge_sort(urec *list, before_fn before)
{
	constexpr int nbins = 64;
	urec *bins[nbins] = {};
	while (list) {
		urec *run = list;
		list = list->next;
		run->next = nullptr;
		int i = 0;
		for (; i < nbins - 1 && bins[i]; i++) {
			run = merge(bins[i], run, before);
			bins[i] = nullptr;
		}
		if (bins[i]) // only with 2^63 records; kept for safety
			run = merge(bins[i], run, before);
		bins[i] = run;
	}
	urec *sorted = nullptr;
	for (int i = 0; i < nbins; i++) {
		if (bins[i])
			sorted = sorted ? merge(bins[i], sorted, before) : bins[i];
	}
	return sorted;
}

// A record and the key it is sorted by, kept together so that comparing two
// records does not reach into either.  The key is made so that the order
// asked for is the unsigned order of keys.
struct keyed_record {
	uint64_t key;
	urec *rec;
};

// Sorts the records by key, smallest first, keeping equal keys in their
// present order: a radix sort on the bytes of the keys, the least
// significant first.  A byte that every key shares takes no pass.  false
// when the second array cannot be had.
bool radix_sort(std::vector<keyed_record> &records)
{
	std::vector<keyed_record> other;
	try {
		other.resize(records.size());
	} catch (const std::bad_alloc &) {
		return false;
	}
	for (int shift = 0; shift < 64; shift += 8) {
		std::size_t place[256] = {};
		for (const keyed_record &r : records)
			place[(r.key >> shift) & 0xff]++;
		if (place[(records.front().key >> shift) & 0xff] == records.size())
			continue;
		std::size_t start = 0;
		for (std::size_t &p : place) {
			std::size_t count = p;
			p = start;
			start += count;
		}
		for (const keyed_record &r : records)
			other[place[(r.key >> shift) & 0xff]++] = r;
		records.swap(other);
	}
	return true;
}

// Links the records in the order of the array; returns the head.
template <typename T> urec *relink(const std::vector<T> &sorted, urec *(*record)(const T &))
{
	urec *head = nullptr;
	urec **tail = &head;
	for (const T &item : sorted) {
		*tail = record(item);
		tail = &(*tail)->next;
	}
	*tail = nullptr;
	return head;
}

// Sorts by a number: descending puts the largest first.  nullptr when the
// arrays cannot be had.
urec *sort_by_number(urec *head, int64_t (*key)(const urec *), bool descending)
{
	// Flipping the sign bit puts signed numbers in unsigned order; flipping
	// every bit reverses it.
	const uint64_t flip = descending ? ~(UINT64_C(1) << 63) : UINT64_C(1) << 63;
	std::vector<keyed_record> records;
	try {
		for (urec *rec = head; rec; rec = rec->next)
			records.push_back({static_cast<uint64_t>(key(rec)) ^ flip, rec});
	} catch (const std::bad_alloc &) {
		return nullptr;
	}
	if (!radix_sort(records))
		return nullptr;
	return relink<keyed_record>(records, [](const keyed_record &k) { return k.rec; });
}

// Sorts by system text; nullptr when the array cannot be had.
urec *sort_by_text(urec *head, before_fn before)
{
	std::vector<urec *> records;
	try {
		for (urec *rec = head; rec; rec = rec->next)
			records.push_back(rec);
	} catch (const std::bad_alloc &) {
		return nullptr;
	}
	std::stable_sort(records.begin(), records.end(), before);
	return relink<urec *>(records, [](urec *const &rec) { return rec; });
}

int64_t uptime_key(const urec *rec)
{
	return rec->uptime;
}

int64_t boot_key(const urec *rec)
{
	return static_cast<int64_t>(rec->boot_time);
}

} // namespace

extern "C" struct urec *sort_urec(struct urec *head, int order)
{
	// How each order compares two records, and the number it sorts by
	// (none for the system text).
	struct order_rule {
		int order;
		before_fn before;
		int64_t (*key)(const urec *);
		bool descending;
	};
	static const order_rule rules[] = {
	    {0, longer_uptime, uptime_key, true},    {1, older_boot, boot_key, false},
	    {-1, newer_boot, boot_key, true},        {2, system_bytes_up, nullptr, false},
	    {-2, system_bytes_down, nullptr, false},
	};
	const order_rule *rule = nullptr;
	for (const order_rule &r : rules) {
		if (r.order == order)
			rule = &r;
	}
	if (!rule || !head)
		return head;
	urec *sorted = rule->key ? sort_by_number(head, rule->key, rule->descending)
	                         : sort_by_text(head, rule->before);
	return sorted ? sorted : merge_sort(head, rule->before);
}
