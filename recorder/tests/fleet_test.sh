#!/usr/bin/env bash
# A fleet in a real Prometheus: three made-up hosts, each a store kept by
# the recorder (against the test double) and a real node_exporter whose
# textfile folder the recorder writes its metrics into, and a real
# Prometheus server that scrapes the three every second with the rule pack
# of examples/prometheus loaded.  Everything listens on 127.0.0.1, on free
# ports, and keeps its files in the test's folder.
#
#   quiet    two boots, the first ended cleanly; nothing happens
#   crashed  its running boot crashes; it stays down longer than the
#            alerts' window, then comes back in a new boot
#   looping  boots three times, twice between two scrapes
#
# The server's API must show: the three targets up, the unclean-shutdown
# alert for crashed and the reboot-loop alert for looping and no other
# alert, and each host's metrics telling what corvane-record --status tells
# of its store, and the fleet's figures those of the three.  The pack's
# windows of an hour and a day become 15 and 20 seconds in the test's copy:
# the rules are the pack's otherwise.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; exits 77
# (skipped) when prometheus, node_exporter, curl or jq is missing, except
# under CI.  Every process it starts is stopped by its pid, in bounded time.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck disable=SC2317 # the conditions are called by wait_for
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work fleet
use_double
export LC_ALL=C TZ=UTC
pack="$(dirname "$0")/../../examples/prometheus"
hosts="quiet crashed looping"

exporter=$(command -v prometheus-node-exporter || command -v node_exporter)
for tool in prometheus curl jq; do
	command -v "$tool" >/dev/null || skip_test "$tool is missing"
done
[ -n "$exporter" ] || skip_test "prometheus-node-exporter is missing"

# stop PID: ends the process, waiting at most 5 seconds before killing it.
stop() {
	local pid=$1
	kill "$pid" 2>/dev/null || return 0
	for _ in $(seq 50); do
		kill -0 "$pid" 2>/dev/null || break
		sleep 0.1
	done
	kill -9 "$pid" 2>/dev/null
	wait "$pid" 2>/dev/null
	return 0
}
declare -A pid port
cleanup() {
	for name in "${!pid[@]}"; do
		stop "${pid[$name]}"
	done
	rm -rf "$work"
}
trap cleanup EXIT

# start NAME PORT URL_PATH COMMAND...: runs COMMAND (whose arguments say
# PORT where the port goes) in the background as NAME, logging to
# $work/NAME.log, until URL_PATH answers on the port: true, with its pid in
# pid[NAME], or false when it ended or did not answer within 10 seconds.
start() {
	local name=$1 at=$2 path=$3
	shift 3
	local args=("${@//PORT/$at}")
	"${args[@]}" >>"$work/$name.log" 2>&1 &
	pid[$name]=$!
	for _ in $(seq 100); do
		curl -sf "http://127.0.0.1:$at$path" -o /dev/null && return 0
		kill -0 "${pid[$name]}" 2>/dev/null || break
		sleep 0.1
	done
	stop "${pid[$name]}"
	unset "pid[$name]"
	return 1
}

# start_free NAME URL_PATH COMMAND...: start on a port no one holds (a
# port taken makes the program end at once, and the next is tried), kept
# in port[NAME].
start_free() {
	local name=$1
	shift
	for _ in 1 2 3 4 5 6 7 8 9 10; do
		port[$name]=$((20000 + (RANDOM % 40000)))
		start "$name" "${port[$name]}" "$@" && return 0
		echo "$name: port ${port[$name]}: $(tail -1 "$work/$name.log")"
	done
	echo "FAIL: $name did not start"
	cat "$work/$name.log"
	exit 1
}

# exporter HOST: the command line of HOST's node_exporter.
exporter() {
	echo "$exporter" --web.listen-address=127.0.0.1:PORT --collector.disable-defaults \
		--collector.textfile --collector.textfile.directory="$work/$1/textfile"
}

# boot HOST ID BOOT_TIME UPTIME [OPTION...]: a run of HOST's recorder in
# the boot of that id, time and uptime, which writes its metrics where the
# exporter reads them unless OPTION says --no-metrics.  The last run's
# boot is kept for --status.
declare -A last
boot() {
	local host=$1 id=$2 at=$3 up=$4
	shift 4
	local metrics=(--metrics="$work/$host/textfile/corvane.prom")
	if [ "${1:-}" = --no-metrics ]; then
		metrics=()
		shift
	fi
	last[$host]="CORVANE_TEST_BOOT_ID=$id CORVANE_TEST_BOOT=$at CORVANE_TEST_UPTIME=$up"
	# shellcheck disable=SC2086 # the words of the environment
	env ${last[$host]} "$RECORDER" -f "$work/$host/records" "${metrics[@]}" "$@" \
		</dev/null >"$work/out" 2>&1 || fail "$host: boot $id $*: $(cat "$work/out")"
}

# api PATH [QUERY]: the server's answer, its data part.
api() {
	local args=()
	[ $# -gt 1 ] && args=(--data-urlencode "query=$2")
	curl -sfG "http://127.0.0.1:${port[prometheus]}/api/v1/$1" "${args[@]}" | jq -c .data
}
# query EXPR: one line a series of the answer, "HOST NAME{end} VALUE",
# sorted.
query() {
	api query "$1" | jq -r '.result[] | "\(.metric.host) \(.metric.__name__ // "")\(
		if .metric.end then "{\(.metric.end)}" elif .metric.window then "{\(.metric.window)}"
		else "" end) \(.value[1])"' | sort
}
# alerts: one line an alert, "NAME HOST STATE", sorted.
alerts() {
	api alerts | jq -r '.alerts[] | "\(.labels.alertname) \(.labels.host) \(.state)"' | sort
}
# wait_for WHAT SECONDS COMMAND...: until COMMAND holds, at most SECONDS.
wait_for() {
	local what=$1 tries=$(($2 * 5))
	shift 2
	for _ in $(seq "$tries"); do
		"$@" && return 0
		sleep 0.2
	done
	fail "$what: not within $((tries / 5)) seconds"
	return 1
}

# --- The hosts before -----------------------------------------------------
for host in $hosts; do
	mkdir -p "$work/$host/textfile"
done
boot quiet q1 1700000000 86400
boot quiet q1 1700000000 86400 --shutdown
boot quiet q2 1700090000 7200
boot crashed c1 1700000000 40000
boot crashed c1 1700000000 40000 --shutdown
boot crashed c2 1700050000 3600
boot looping l1 1700000000 50000
boot looping l1 1700000000 50000 --shutdown
boot looping l2 1700060000 1200
for host in $hosts; do
	# shellcheck disable=SC2046 # the words of the command line
	start_free "$host" /metrics $(exporter "$host")
done

# The server, with the test's copy of the pack.
sed -e 's/offset 1h/offset 15s/g' -e 's/offset 1d/offset 20s/g' "$pack/corvane.rules.yml" \
	>"$work/corvane.rules.yml"
grep -q 'offset 15s' "$work/corvane.rules.yml" && ! grep -Eq 'offset [0-9]+[hdm]' "$work/corvane.rules.yml" ||
	fail "the test's copy of the rules kept a window of the pack's"
{
	printf '%s\n' 'global:' '  scrape_interval: 1s' '  scrape_timeout: 1s' '  evaluation_interval: 1s' \
		'rule_files:' "  - $work/corvane.rules.yml" 'scrape_configs:' '  - job_name: node' \
		'    static_configs:'
	for host in $hosts; do
		printf '      - targets: ["127.0.0.1:%s"]\n        labels: {host: %s}\n' "${port[$host]}" "$host"
	done
} >"$work/prometheus.yml"
promtool check config "$work/prometheus.yml" >"$work/check" 2>&1 || fail "promtool check config: $(cat "$work/check")"
start_free prometheus /-/ready prometheus --config.file="$work/prometheus.yml" \
	--storage.tsdb.path="$work/data" --web.listen-address=127.0.0.1:PORT
# The server that answers is the one started here, with this test's files.
[ "$(api status/flags | jq -r '."storage.tsdb.path"')" = "$work/data" ] ||
	fail "the server on port ${port[prometheus]} is not the test's"

# all_up: the three targets are up.
all_up() {
	[ "$(query 'up == 1' | awk '{ print $1 }' | tr '\n' ' ')" = "crashed looping quiet " ]
}
wait_for "the three targets up" 20 all_up
# held_everywhere: the rules have held counts of all three.
held_everywhere() {
	[ "$(query instance:corvane_boots:held | wc -l)" = 3 ]
}
wait_for "the held counts" 10 held_everywhere
sleep 2
[ -z "$(alerts)" ] || fail "alerts before anything happened: $(alerts)"

# --- crashed crashes, and is down longer than the window ------------------
stop "${pid[crashed]}"
unset "pid[crashed]"
down_since=$SECONDS
boot crashed c3 1700070000 600
# crashed_down: its target down, its count of boots held.
crashed_down() {
	[ "$(query 'up{host="crashed"}')" = "crashed up 0" ] &&
		[ "$(query 'instance:corvane_boots:held{host="crashed"}')" = "crashed instance:corvane_boots:held 2" ]
}
wait_for "crashed down with its count held" 10 crashed_down
left=$((18 - (SECONDS - down_since)))
[ "$left" -gt 0 ] && sleep "$left"
# shellcheck disable=SC2046 # the words of the command line
start crashed "${port[crashed]}" /metrics $(exporter crashed) || fail "crashed's exporter did not start again"
wait_for "crashed up again" 10 all_up

# --- looping boots three times, twice between two scrapes -----------------
boot looping l2 1700060000 1200 --no-metrics --shutdown
boot looping l3 1700061500 100 --no-metrics
boot looping l3 1700061500 200 --no-metrics --shutdown
boot looping l4 1700061800 100
sleep 2
boot looping l4 1700061800 150 --shutdown
boot looping l5 1700062000 90

# --- The alerts -----------------------------------------------------------
expected="CorvaneRebootLoop looping firing
CorvaneUncleanShutdown crashed firing"
# alerts_expected: the two alerts, pending or firing, and no other.
alerts_expected() {
	seen=$(alerts)
	[ "${seen// pending/ firing}" = "$expected" ]
}
wait_for "the alerts" 10 alerts_expected || echo "the alerts last seen: $seen"
# The unclean ends within the test's day, taken while crashed's count from
# before it went down is still within it.
day=$(query instance:corvane_unclean_ends:delta1d)
echo "the server's alerts:"
api alerts | jq -c '.alerts[] | {labels: (.labels | {alertname, host, severity}), state, activeAt, value}'

[ "$day" = "crashed instance:corvane_unclean_ends:delta1d 1
looping instance:corvane_unclean_ends:delta1d 0
quiet instance:corvane_unclean_ends:delta1d 0" ] || fail "the unclean ends within the day: $day"

# --- The metrics, as --status tells them ----------------------------------
# duration SECONDS: as the recorder writes a duration.
duration() {
	local days=$(($1 / 86400)) unit=days
	[ "$days" = 1 ] && unit=day
	printf '%d %s, %02d:%02d:%02d' "$days" "$unit" $(($1 % 86400 / 3600)) $(($1 % 3600 / 60)) $(($1 % 60))
}
query '{__name__=~"corvane_.*"}' >"$work/metrics"
for host in $hosts; do
	# shellcheck disable=SC2086 # the words of the environment
	env ${last[$host]} "$RECORDER" -f "$work/$host/records" --status >"$work/status" 2>&1 ||
		fail "$host: --status: $(cat "$work/status")"
	value() {
		awk -v host="$host" -v name="$1" '$1 == host && $2 == name { print $3 }' "$work/metrics"
	}
	boots=$(value corvane_boots)
	clean=$(value 'corvane_ended_boots{clean}')
	unclean=$(value 'corvane_ended_boots{unclean}')
	# The status's longest uptime tells when it booted, which no metric does.
	{
		echo "store           $work/$host/records"
		echo "boots           $boots on record since $(date -d "@$(value corvane_oldest_boot_timestamp_seconds)" '+%F %T')"
		echo "ends            $clean clean, $unclean unclean, $((boots - clean - unclean - 1)) unknown, 1 running"
		echo "longest uptime  $(duration "$(value corvane_longest_uptime_seconds)")"
		echo "running boot    $(duration "$(value corvane_uptime_seconds)"), rank $(value corvane_rank) of $boots, booted $(date -d "@$(value corvane_boot_time_seconds)" '+%F %T')"
		echo "downtime        $(duration "$(value corvane_recorded_downtime_seconds)") in all"
		awk -v ratio="$(value corvane_availability_ratio)" 'BEGIN { printf "availability    %.3f%%\n", ratio * 100 }'
	} >"$work/from-metrics"
	# The windows' availability, as the lines of the last 30, 90 and 365
	# days end.
	for days in 30 90 365; do
		awk -v ratio="$(value "corvane_availability_ratio{${days}d}")" -v days="$days" \
			'BEGIN { printf "last %s days availability %.3f%%\n", days, ratio * 100 }'
	done >>"$work/from-metrics"
	{
		head -n 7 "$work/status" | sed 's/^\(longest uptime  .*\), booted .*/\1/'
		sed -n 's/^\(last [0-9]* days\) .*\(availability .*\)/\1 \2/p' "$work/status"
	} | diff "$work/from-metrics" - >"$work/diff" ||
		fail "$host: the metrics and --status differ (< metrics, > status):
$(cat "$work/diff")"
done
grep -q '^crashed corvane_last_unclean_end_timestamp_seconds 1700053600$' "$work/metrics" &&
	grep -q '^looping corvane_last_unclean_end_timestamp_seconds 0$' "$work/metrics" ||
	fail "the last unclean ends: $(grep last_unclean "$work/metrics")"

# The fleet's availability: the three hosts' uptime over their time.
awk '$2 == "corvane_recorded_uptime_seconds" { up += $3 }
	$2 == "corvane_recorded_downtime_seconds" { down += $3 }
	END { printf "%.12f\n", up / (up + down) }' "$work/metrics" >"$work/expected"
api query ':corvane_availability:ratio' | jq -r '.result[].value[1]' |
	awk '{ printf "%.12f\n", $1 }' | diff "$work/expected" - >/dev/null ||
	fail "the fleet's availability: $(api query ':corvane_availability:ratio'), expected $(cat "$work/expected")"

# The README's example: the fleet's figures as the server answers them.
echo "the hosts' availability, over all their time on record and over the last 30 days:"
for window in '' 30d; do
	curl -sfG "http://127.0.0.1:${port[prometheus]}/api/v1/query" \
		--data-urlencode "query=max by (host) (instance:corvane_availability:ratio{window=\"$window\"})"
	echo
done

[ "$failed" = 0 ] && echo "fleet: all passed, Prometheus on 127.0.0.1:${port[prometheus]}"
exit "$failed"
