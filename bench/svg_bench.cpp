// svg_bench.cpp - the cost of the recorder's picture of the history
// (corvane-record --svg): the SVG drawn for 20 to 100,000 boots, and its
// size.  The goal at 100,000 boots is under 100 ms and under 200 KB.
//
// The boots are 12 minutes each, a minute apart, up to the time of the
// picture: the densest history, every one of the last 90 days full of
// boots that the picture must merge; a third ended cleanly, a seventh
// uncleanly, the rest of unknown end.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "recorder/picture/svg.h"

namespace
{

constexpr int64_t now = 1796990400; // 2026-12-11 12:00:00 UTC

struct history {
	std::vector<urec> records;
	boot_ends ends;
};

history make_history(int64_t boots)
{
	history h;
	h.records.resize(static_cast<std::size_t>(boots));
	int64_t t = now - boots * 780 + 60;
	for (std::size_t i = 0; i < h.records.size(); i++, t += 780) {
		urec &r = h.records[i];
		r = urec{};
		r.boot_time = static_cast<time_t>(t);
		r.uptime = i + 1 < h.records.size() ? 720 : now - t;
		std::snprintf(r.sysinfo, sizeof r.sysinfo, "Linux 6.1.0-%zu-amd64", 10 + i / 1000);
		r.next = i + 1 < h.records.size() ? &h.records[i + 1] : nullptr;
		if (i % 3 == 0)
			h.ends.ends[t] = boot_end::clean;
		else if (i % 7 == 0)
			h.ends.ends[t] = boot_end::unclean;
	}
	return h;
}

void draw(benchmark::State &state)
{
	history h = make_history(state.range(0));
	std::size_t size = 0;
	std::string last;
	for (auto _ : state) {
		std::string svg = history_svg(&h.records[0], &h.records.back(), h.ends, now, "web1",
		                              "Linux 6.1.0-28-amd64");
		size = svg.size();
		benchmark::DoNotOptimize(svg.data());
		state.PauseTiming();
		last.swap(svg);
		state.ResumeTiming();
	}
	state.counters["svg_bytes"] = static_cast<double>(size);
	// The timeline's bars, at its height (y 52) and nowhere else.
	double bars = 0;
	for (std::size_t at = last.find(" y=\"52\" width="); at != std::string::npos;
	     at = last.find(" y=\"52\" width=", at + 1))
		bars++;
	state.counters["bars"] = bars;
}

BENCHMARK(draw)->Arg(20)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
