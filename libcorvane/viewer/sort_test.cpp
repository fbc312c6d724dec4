// sort_test.cpp - sorting a list of records in every order.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_store.h"

namespace
{

// Whether a sorts strictly before b, for each order of sort_urec.
struct order_case {
	int order;
	std::function<bool(const urec *, const urec *)> before;
};

const order_case orders[] = {
    {0, [](const urec *a, const urec *b) { return a->uptime > b->uptime; }},
    {1, [](const urec *a, const urec *b) { return a->boot_time < b->boot_time; }},
    {-1, [](const urec *a, const urec *b) { return a->boot_time > b->boot_time; }},
    {2, [](const urec *a, const urec *b) { return std::strcmp(a->sysinfo, b->sysinfo) < 0; }},
    {-2, [](const urec *a, const urec *b) { return std::strcmp(a->sysinfo, b->sysinfo) > 0; }},
};

// Links the records in their vector order; returns the head.
urec *link(std::vector<urec> &records)
{
	for (std::size_t i = 0; i + 1 < records.size(); i++)
		records[i].next = &records[i + 1];
	if (records.empty())
		return nullptr;
	records.back().next = nullptr;
	return &records[0];
}

std::vector<const urec *> walk(const urec *head)
{
	std::vector<const urec *> out;
	for (; head; head = head->next)
		out.push_back(head);
	return out;
}

// n records with few distinct keys, so that most keys tie.
std::vector<urec> random_records(std::size_t n, unsigned seed)
{
	static const char *const systems[] = {"Linux 6.1.0",    "Linux 6.10.0", "FreeBSD 14.0", "",
	                                      "\xff high byte", "linux 6.1.0",  "Linux"};
	std::mt19937 rng(seed);
	std::vector<urec> records(n);
	for (urec &r : records) {
		r.uptime = static_cast<int64_t>(rng() % 50) - 5;
		r.boot_time = static_cast<time_t>(rng() % 50);
		std::strcpy(r.sysinfo, systems[rng() % std::size(systems)]);
	}
	return records;
}

void expect_stable_sorted(std::vector<urec> &records, const order_case &o)
{
	urec *head = link(records);
	std::vector<const urec *> expected = walk(head);
	std::stable_sort(expected.begin(), expected.end(), o.before);
	EXPECT_EQ(walk(sort_urec(head, o.order)), expected) << "order " << o.order;
}

TEST(sort_urec, is_stable_in_every_order_on_a_small_list_with_ties)
{
	for (const order_case &o : orders) {
		for (std::size_t n : {0, 1, 2, 3, 5, 8, 17, 64}) {
			std::vector<urec> records = random_records(n, static_cast<unsigned>(n));
			expect_stable_sorted(records, o);
		}
	}
}

TEST(sort_urec, is_stable_in_every_order_on_a_large_list)
{
	for (const order_case &o : orders) {
		std::vector<urec> records = random_records(200000, 7);
		expect_stable_sorted(records, o);
	}
}

// Keys that differ in every byte, the extremes of the range included, with
// ties among them.
TEST(sort_urec, orders_keys_across_the_whole_range)
{
	const int64_t keys[] = {
	    0,       -1,         INT64_MIN,     INT64_MAX,     1, -1,  INT64_MIN,
	    1 << 20, -(1 << 20), INT64_MAX - 1, INT64_MIN + 1, 0, 255, 256,
	    -256,    -255};
	for (const order_case &o : orders) {
		std::vector<urec> records(std::size(keys));
		for (std::size_t i = 0; i < records.size(); i++) {
			records[i].uptime = keys[i];
			records[i].boot_time = static_cast<time_t>(keys[(i + 5) % std::size(keys)]);
		}
		expect_stable_sorted(records, o);
	}
}

TEST(sort_urec, reverse_orders_keep_ties_in_their_present_order)
{
	// Not the reverse of the forward sort: equal keys stay as they were.
	std::vector<urec> records(4);
	const char *texts[] = {"b", "a", "b", "a"};
	const time_t boots[] = {20, 10, 20, 10};
	for (std::size_t i = 0; i < records.size(); i++) {
		std::strcpy(records[i].sysinfo, texts[i]);
		records[i].boot_time = boots[i];
	}
	urec *r = records.data();
	urec *head = link(records);
	head = sort_urec(head, -2);
	EXPECT_EQ(walk(head), (std::vector<const urec *>{&r[0], &r[2], &r[1], &r[3]}));
	head = sort_urec(head, -1);
	EXPECT_EQ(walk(head), (std::vector<const urec *>{&r[0], &r[2], &r[1], &r[3]}));
}

TEST(sort_urec, compares_system_texts_as_unsigned_bytes)
{
	std::vector<urec> records(3);
	std::strcpy(records[0].sysinfo, "\xe2\x80\x94 dash");
	std::strcpy(records[1].sysinfo, "z");
	std::strcpy(records[2].sysinfo, "Z");
	urec *r = records.data();
	EXPECT_EQ(walk(sort_urec(link(records), 2)),
	          (std::vector<const urec *>{&r[2], &r[1], &r[0]}));
}

TEST(sort_urec, any_other_order_leaves_the_list_as_it_is)
{
	for (int order : {3, -3, 100, -100}) {
		std::vector<urec> records = random_records(20, 3);
		urec *head = link(records);
		std::vector<const urec *> before = walk(head);
		EXPECT_EQ(sort_urec(head, order), head);
		EXPECT_EQ(walk(head), before);
	}
}

} // namespace
