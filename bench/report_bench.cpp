// report_bench.cpp - the cost of one run of the program: the records read,
// ranked and reported, for stores of 10 to 1,000,000 boots.
//
// The stores are written once into a temporary folder.  Each benchmark then
// does, per iteration, what the program does after start-up: it adds the
// current entry, reads the store and renders the report, standard output
// going to /dev/null.  Forgetting the records of the previous iteration is
// not timed: the program never frees them.
//
// Peak memory, and the time of a run in a fresh process, are measured in
// child processes: see run_in_child.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <streambuf>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "corvane.h"
#include "driver/settings.h"
#include "libcorvane/internal.h"
#include "report/report.h"

namespace
{

// The store sizes measured; the report with every row printed is measured
// for the size of the goal only.
constexpr int64_t store_sizes[] = {10, 1000, 100000, 1000000};
constexpr int64_t all_rows_size = 100000;

// The running boot, as the store's last line holds it: the daemon wrote it
// a minute before the run, so the current entry's uptime is a little longer.
struct running_boot {
	int64_t uptime;
	int64_t boot_time;
	std::string sysinfo;
};

// One store of the temporary folder and the running boot that it ends with.
struct store_file {
	int64_t records;
	std::string path;
	running_boot current;
};

// The temporary folder holding the stores, removed at exit.
std::string store_folder;

// The stores written, in the order of store_sizes.
store_file stores[std::size(store_sizes)];

// What child processes measured of one run on a store.
struct cold_figures {
	double peak_rss; // bytes, the largest of the runs
	double seconds;  // wall time of the run, the median of the runs
};

// The figures of each store and number of rows shown (index 0: the top 10,
// 1: every row); and the peak of a child that does nothing, the pages that
// every child starts with.
cold_figures cold[std::size(store_sizes)][2];
double base_rss;

// Children measured per case; the median of their times is kept.
constexpr int cold_runs = 3;

// Every store must end before 9999-01-01 UTC, or the library skips lines.
constexpr int64_t time_limit = 253370764800;

// A deterministic generator, the same on every platform (splitmix64).
uint64_t next_random(uint64_t &state)
{
	uint64_t z = (state += 0x9e3779b97f4a7c15U);
	z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9U;
	z = (z ^ (z >> 27)) * 0x94d049bb133111ebU;
	return z ^ (z >> 31);
}

// A value in [low, high].
int64_t random_between(uint64_t &state, int64_t low, int64_t high)
{
	return low +
	       static_cast<int64_t>(next_random(state) % static_cast<uint64_t>(high - low + 1));
}

// An uptime as a machine has them: mostly hours, some days, a few weeks, and
// one in ten an exact value that a scheduled reboot gives, which ties.
int64_t random_uptime(uint64_t &state)
{
	static const int64_t scheduled[] = {600, 3600, 86400, 604800};
	int64_t kind = random_between(state, 0, 99);
	if (kind < 10)
		return scheduled[random_between(state, 0, 3)];
	if (kind < 70)
		return random_between(state, 60, 12 * 3600);
	if (kind < 95)
		return random_between(state, 12 * 3600, 3 * 86400);
	return random_between(state, 3 * 86400, 30 * 86400);
}

// The release of the system that a boot ran.
struct release {
	int version; // 4 to 9
	int level;   // 0 to 19
	int patch;   // 0 to 199
	int build;   // 10 to 99
	int flavour; // index in flavours
};

// The end of the system texts, the kernel's flavour.
const char *const flavours[] = {"amd64", "cloud-amd64", "rt-amd64", "amd64 #1 SMP PREEMPT"};

// The system text of a release: 20 to 40 characters.
std::string system_text(const release &r)
{
	char text[64];
	std::snprintf(text, sizeof text, "Linux %d.%d.%d-%d-%s", r.version, r.level, r.patch,
	              r.build, flavours[r.flavour]);
	return text;
}

// The next release, an upgrade: a later patch, now and then a new level or
// flavour.
void upgrade(release &r, uint64_t &state)
{
	r.patch = (r.patch + static_cast<int>(random_between(state, 1, 9))) % 200;
	r.build = 10 + (r.build - 10 + 1) % 90;
	if (r.patch < 10) {
		r.level = (r.level + 1) % 20;
		if (r.level == 0)
			r.version = r.version < 9 ? r.version + 1 : 4;
	}
	if (random_between(state, 0, 9) == 0)
		r.flavour = static_cast<int>(random_between(state, 0, std::size(flavours) - 1));
}

// Writes a store of the given number of boots, oldest first, the last one
// being the running boot; exits on a write error.
store_file write_store(const std::string &folder, int64_t records)
{
	store_file store{records, folder + "/records-" + std::to_string(records), {}};
	std::FILE *f = std::fopen(store.path.c_str(), "w");
	if (f == nullptr) {
		std::fprintf(stderr, "cannot write %s: %s\n", store.path.c_str(),
		             std::strerror(errno));
		std::exit(1);
	}
	uint64_t state = static_cast<uint64_t>(records);
	int64_t boot_time = 820454400; // 1996-01-01
	release running = {4, 0, 0, 10, 0};
	std::string sysinfo = system_text(running);
	std::fputs("# uptime:boot time:system, one boot a line\n", f);
	for (int64_t i = 0; i < records; i++) {
		// An upgrade every 40 boots or so.
		if (random_between(state, 0, 39) == 0) {
			upgrade(running, state);
			sysinfo = system_text(running);
		}
		int64_t uptime = random_uptime(state);
		if (i == records - 1)
			store.current = {uptime, boot_time, sysinfo};
		std::fprintf(f, "%" PRId64 ":%" PRId64 ":%s\n", uptime, boot_time, sysinfo.c_str());
		// Down for seconds to hours, now and then for days.
		int64_t downtime = random_between(state, 0, 49) == 0
		                       ? random_between(state, 86400, 10 * 86400)
		                       : random_between(state, 10, 2 * 3600);
		boot_time += uptime + downtime;
	}
	if (boot_time >= time_limit) {
		std::fprintf(stderr, "the store of %" PRId64 " boots ends after 9999\n", records);
		std::exit(1);
	}
	if (std::fclose(f) != 0) {
		std::fprintf(stderr, "cannot write %s\n", store.path.c_str());
		std::exit(1);
	}
	return store;
}

// One run of the program after start-up, on the store that CORVANE_RECORDS
// names and an empty list.
void run_program(const running_boot &current)
{
	u_current = add_urec(current.uptime + 60, static_cast<time_t>(current.boot_time),
	                     current.sysinfo.c_str());
	read_records(u_current->boot_time);
	render_report(0);
	std::fflush(stdout);
}

// The records of the previous run are freed; u_current pointed into them.
void forget_run()
{
	corvane_forget_records();
	u_current = nullptr;
}

// Makes a store the one that read_records reads.
void use_store(const store_file &store)
{
	setenv("CORVANE_RECORDS", store.path.c_str(), 1);
}

// One run in a child process (or none when store is null), forked before
// any run in this process: its peak resident memory in bytes, read from its
// own resource usage when it is reaped, and the wall time of the run, sent
// back through a pipe.
//
// The peak of this process (getrusage RUSAGE_SELF) never goes down, so after
// the store of 1,000,000 boots it would say nothing of the smaller ones, and
// it would depend on the order the cases run in.  A child starts from the
// pages of a process that has only written the stores: its peak is that of
// one run of the program plus this small base, which a child that does
// nothing measures on its own.
//
// The time is that of a run in a fresh process: the heap grows page by page
// and the caches are cold.  The iterations of a benchmark reuse the heap
// pages and the caches of the iteration before, and mostly cost less.
cold_figures run_in_child(const store_file *store, int32_t max_entries)
{
	int fds[2];
	if (pipe(fds) != 0) {
		std::perror("pipe");
		std::exit(1);
	}
	pid_t pid = fork();
	if (pid < 0) {
		std::perror("fork");
		std::exit(1);
	}
	if (pid == 0) {
		close(fds[0]);
		double seconds = 0;
		if (store != nullptr) {
			use_store(*store);
			run_settings.max_entries = max_entries;
			auto start = std::chrono::steady_clock::now();
			run_program(store->current);
			seconds =
			    std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
			        .count();
		}
		bool sent = write(fds[1], &seconds, sizeof seconds) == sizeof seconds;
		_exit(sent ? 0 : 1);
	}
	close(fds[1]);
	double seconds = 0;
	bool received = read(fds[0], &seconds, sizeof seconds) == sizeof seconds;
	close(fds[0]);
	int status = 0;
	struct rusage usage = {};
	if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
	    WEXITSTATUS(status) != 0 || !received) {
		std::fprintf(stderr, "the child measuring a run failed\n");
		std::exit(1);
	}
	return {static_cast<double>(usage.ru_maxrss) * 1024.0, seconds}; // ru_maxrss is in KiB
}

// The figures of cold_runs children on a store.
cold_figures measure_cold(const store_file &store, int32_t max_entries)
{
	double peak = 0;
	double seconds[cold_runs];
	for (double &s : seconds) {
		cold_figures run = run_in_child(&store, max_entries);
		peak = std::max(peak, run.peak_rss);
		s = run.seconds;
	}
	std::sort(std::begin(seconds), std::end(seconds));
	return {peak, seconds[cold_runs / 2]};
}

// Index of a size in store_sizes.
std::size_t store_index(int64_t records)
{
	for (std::size_t i = 0; i < std::size(store_sizes); i++) {
		if (store_sizes[i] == records)
			return i;
	}
	std::fprintf(stderr, "no store of %" PRId64 " boots\n", records);
	std::exit(1);
}

// Times one run on the store of state.range(0) boots, max_entries rows shown.
void time_runs(benchmark::State &state, int32_t max_entries)
{
	std::size_t index = store_index(state.range(0));
	const store_file &store = stores[index];
	use_store(store);
	int32_t saved_max_entries = run_settings.max_entries;
	run_settings.max_entries = max_entries;
	forget_run();
	for (auto _ : state) {
		state.PauseTiming();
		forget_run();
		state.ResumeTiming();
		run_program(store.current);
	}
	forget_run();
	run_settings.max_entries = saved_max_entries;

	state.SetComplexityN(store.records);
	state.counters["per_record"] = benchmark::Counter(
	    static_cast<double>(store.records),
	    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
	const cold_figures &figures = cold[index][max_entries == 0 ? 1 : 0];
	state.counters["cold_ms"] = figures.seconds * 1000.0;
	state.counters["peak_rss"] = benchmark::Counter(
	    figures.peak_rss, benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
	state.counters["base_rss"] = benchmark::Counter(base_rss, benchmark::Counter::kDefaults,
	                                                benchmark::Counter::OneK::kIs1024);
}

// The default report: the top 10 and the current entry.
void report_top10(benchmark::State &state)
{
	time_runs(state, 10);
}

// Every record printed (-m 0): the heaviest output.
void report_all_rows(benchmark::State &state)
{
	time_runs(state, 0);
}

BENCHMARK(report_top10)
    ->Arg(store_sizes[0])
    ->Arg(store_sizes[1])
    ->Arg(store_sizes[2])
    ->Arg(store_sizes[3])
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Complexity();
BENCHMARK(report_all_rows)->Arg(all_rows_size)->Unit(benchmark::kMillisecond)->UseRealTime();

// An output stream buffer writing straight to a file descriptor, for the
// results on the original standard output.
struct fd_streambuf : std::streambuf {
	int fd = -1;

	bool write_all(const char *data, std::streamsize size)
	{
		while (size > 0) {
			ssize_t done = write(fd, data, static_cast<std::size_t>(size));
			if (done < 0 && errno == EINTR)
				continue;
			if (done <= 0)
				return false;
			data += done;
			size -= done;
		}
		return true;
	}

	int_type overflow(int_type c) override
	{
		if (traits_type::eq_int_type(c, traits_type::eof()))
			return traits_type::not_eof(c);
		char ch = traits_type::to_char_type(c);
		return write_all(&ch, 1) ? c : traits_type::eof();
	}

	std::streamsize xsputn(const char *data, std::streamsize size) override
	{
		return write_all(data, size) ? size : 0;
	}
};

// Removes the stores at exit.
void remove_store_folder()
{
	std::error_code ignored;
	std::filesystem::remove_all(store_folder, ignored);
}

} // namespace

int main(int argc, char **argv)
{
	benchmark::Initialize(&argc, argv);
	if (benchmark::ReportUnrecognizedArguments(argc, argv))
		return 1;

	// The report goes to /dev/null, the results to the original standard
	// output.
	int results_fd = dup(STDOUT_FILENO);
	int null_fd = open("/dev/null", O_WRONLY);
	if (results_fd < 0 || null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0) {
		std::perror("redirecting standard output");
		return 1;
	}
	close(null_fd);
	bool color = isatty(results_fd) != 0;

	const char *tmp = std::getenv("TMPDIR");
	std::string pattern =
	    std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vellipo-bench-XXXXXX";
	if (mkdtemp(pattern.data()) == nullptr) {
		std::perror("mkdtemp");
		return 1;
	}
	store_folder = pattern;
	std::atexit(remove_store_folder);
	for (std::size_t i = 0; i < std::size(store_sizes); i++)
		stores[i] = write_store(store_folder, store_sizes[i]);

	base_rss = run_in_child(nullptr, 0).peak_rss;
	for (std::size_t i = 0; i < std::size(store_sizes); i++) {
		cold[i][0] = measure_cold(stores[i], 10);
		if (store_sizes[i] == all_rows_size)
			cold[i][1] = measure_cold(stores[i], 0);
	}

	fd_streambuf results_buffer;
	results_buffer.fd = results_fd;
	std::ostream results(&results_buffer);
	benchmark::ConsoleReporter reporter(color ? benchmark::ConsoleReporter::OO_Color
	                                          : benchmark::ConsoleReporter::OO_None);
	reporter.SetOutputStream(&results);
	reporter.SetErrorStream(&results);
	benchmark::RunSpecifiedBenchmarks(&reporter);
	benchmark::Shutdown();
	return 0;
}
