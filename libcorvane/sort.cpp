// sort.cpp - stable sorting of a list of records.
//
// A bottom-up merge sort on the links: bins[i] holds a sorted run of 2^i
// records taken from the list before the records still to come, so merging a
// bin (left) with a newer run (right) and taking from the right only when it
// sorts strictly before keeps equal keys in their present order.  There is no
// recursion and no allocation; 64 bins hold any list that fits in memory.
#include <cstring>

#include "corvane.h"

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

} // namespace

extern "C" struct urec *sort_urec(struct urec *head, int order)
{
	before_fn before = nullptr;
	switch (order) {
	case 0:
		before = longer_uptime;
		break;
	case 1:
		before = older_boot;
		break;
	case -1:
		before = newer_boot;
		break;
	case 2:
		before = system_bytes_up;
		break;
	case -2:
		before = system_bytes_down;
		break;
	default:
		return head;
	}
	return merge_sort(head, before);
}
