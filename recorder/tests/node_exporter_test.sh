#!/usr/bin/env bash
# The metrics as Prometheus sees them: the recorder writes them into a
# folder that a real node_exporter's textfile collector reads, on 127.0.0.1
# and a free port; a scrape of /metrics holds ours with their values, and
# no scrape error.  The exporter is stopped in every case.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; exits 77
# (skipped) when node_exporter or curl is missing, except under CI.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work metrics
exporter_pid=
# shellcheck disable=SC2317 # called by the trap
cleanup() {
	[ -n "$exporter_pid" ] && kill "$exporter_pid" 2>/dev/null && wait "$exporter_pid" 2>/dev/null
	rm -rf "$work"
}
trap cleanup EXIT
use_double
export LC_ALL=C
export CORVANE_TEST_BOOT=1700100000 CORVANE_TEST_UPTIME=3600 CORVANE_TEST_SYSINFO="Linux 6.1.0-test"

exporter=$(command -v prometheus-node-exporter || command -v node_exporter)
if [ -z "$exporter" ] || ! command -v curl >/dev/null; then
	skip_test "prometheus-node-exporter or curl is missing"
fi

# A store of three boots; the run adds the running boot and writes the
# metrics into the collector's folder.
mkdir "$work/textfile"
printf '%s\n' "500:1699990000:Linux 6.1.0-27-amd64" "7200:1700000000:Linux 6.1.0-28-amd64" \
	"100:1700090000:Linux 6.1.0-28-amd64" >"$work/records"
"$RECORDER" -f "$work/records" --metrics="$work/textfile/corvane.prom" || fail "the run failed"
files=$(find "$work/textfile" -mindepth 1 -printf '%f ')
[ "$files" = "corvane.prom " ] || fail "the folder holds $files"

# Starts the exporter on a port that no one holds: a port taken makes it
# exit at once, and the next one is tried.
port=
for try in 1 2 3 4 5 6 7 8 9 10; do
	candidate=$((20000 + (RANDOM % 40000)))
	"$exporter" --web.listen-address="127.0.0.1:$candidate" --collector.disable-defaults \
		--collector.textfile --collector.textfile.directory="$work/textfile" \
		>"$work/exporter.log" 2>&1 &
	exporter_pid=$!
	for _ in $(seq 50); do
		if curl -sf "http://127.0.0.1:$candidate/metrics" -o "$work/scrape"; then
			port=$candidate
			break
		fi
		kill -0 "$exporter_pid" 2>/dev/null || break
		sleep 0.1
	done
	[ -n "$port" ] && break
	kill "$exporter_pid" 2>/dev/null
	wait "$exporter_pid" 2>/dev/null
	exporter_pid=
	echo "try $try: port $candidate: $(tail -1 "$work/exporter.log")"
done
[ -n "$port" ] || {
	echo "FAIL: node_exporter did not start"
	exit 1
}

# value NAME: the value of the sample NAME (with its labels) in the scrape.
value() {
	awk -v name="$1" '$1 == name { print $2 }' "$work/scrape"
}
# expect NAME VALUE: the sample holds the number VALUE.
expect() {
	local got
	got=$(value "$1")
	awk -v a="$got" -v b="$2" 'BEGIN { exit !(a != "" && a + 0 == b + 0) }' ||
		fail "$1 is '$got', expected $2"
}

expect node_textfile_scrape_error 0
expect corvane_boots 4
expect corvane_uptime_seconds 3600
expect corvane_boot_time_seconds 1700100000
expect corvane_rank 2
expect corvane_next_rank_uptime_seconds 7200
expect corvane_first_place_uptime_seconds 7200
expect corvane_longest_uptime_seconds 7200
expect corvane_recorded_uptime_seconds 11400
# Down from 1699990500 to 1700000000, 1700007200 to 1700090000, and
# 1700090100 to 1700100000.
expect corvane_recorded_downtime_seconds 102200
# The sample without a window is over all the history; node_exporter shows it
# with an empty window label beside the windows', which here hold all of it
# too.
for window in '' 30d 90d 365d; do
	expect "corvane_availability_ratio{window=\"$window\"}" 0.10035211267605634 # 11400 / (11400 + 102200)
done
expect corvane_oldest_boot_timestamp_seconds 1699990000
expect corvane_last_unclean_end_timestamp_seconds 0 # no ends file: no end seen unclean
grep -q '^# TYPE corvane_availability_ratio gauge$' "$work/scrape" &&
	grep -q '^# HELP corvane_uptime_seconds Uptime of the running boot\.$' "$work/scrape" ||
	fail "the HELP and TYPE lines are missing"

[ "$failed" = 0 ] && echo "node_exporter: all passed on 127.0.0.1:$port"
exit "$failed"
