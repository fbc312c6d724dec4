#!/usr/bin/env bash
# One record per boot across clock steps: a boot is known by the kernel's
# boot id, which the boot mark beside the store keeps with the boot time its
# record is stored under.
#
# Part one runs the recorder against the test double of the records library,
# whose boot id and kernel boot time come from the environment: steps
# forward and back, two steps, a real new boot, a new boot at an old boot's
# time, and what vellipo shows between a step and the recorder's next run.
# Part two runs the recorder on the real library (no LD_LIBRARY_PATH) and vellipo in time namespaces
# (unshare --boottime), which move the kernel's boot time exactly as a step
# of the wall clock does while the boot id stays.
#
# Run by CTest with RECORDER, DOUBLE_DIR, VELLIPO and
# VELLIPO_REAL in the environment.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-record-boot-id.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
export LC_ALL=C TZ=UTC
unset CORVANE_RECORDS CORVANE_FAULT
store="$work/records"

failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}

# run ID KERNEL_BOOT_TIME UPTIME: one run of the recorder on the test double.
run() {
	CORVANE_TEST_BOOT_ID=$1 CORVANE_TEST_BOOT=$2 CORVANE_TEST_UPTIME=$3 \
		LD_LIBRARY_PATH="$DOUBLE_DIR" "$RECORDER" -f "$store" </dev/null ||
		fail "run $*: status $?"
}

# expect NAME STORE MARK: the store's and the mark's bytes after the runs.
expect() {
	[ "$(cat "$store")" = "$2" ] || fail "$1: store: $(cat "$store")"
	[ "$(cat "$store.boot")" = "$3" ] || fail "$1: mark: $(cat "$store.boot")"
}

# --- the test double --------------------------------------------------------
rm -f "$store"*
run a 1700000000 100
expect "a first run" "100:1700000000:Linux 6.1.0-test" "a 1700000000"
run a 1700000600 200
expect "a step forward" "200:1700000600:Linux 6.1.0-test" "a 1700000600"
run a 1699999000 300
expect "a step back" "300:1699999000:Linux 6.1.0-test" "a 1699999000"
run a 1699999000 400
expect "no step" "400:1699999000:Linux 6.1.0-test" "a 1699999000"
run b 1700100000 50
expect "a real new boot" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test" "b 1700100000"
run c 1700100000 60
expect "a new boot at the boot time of an old one" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test
60:1700100001:Linux 6.1.0-test" "c 1700100001"
run c 1700100000 70
expect "it stays at its second" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test
70:1700100001:Linux 6.1.0-test" "c 1700100001"

# Lines around the moved one are kept as they were; the moved line goes.
printf '# kept\n900:1600000000:Linux old\nnot a record\n' >"$store"
rm -f "$store.boot"
run d 1700200000 10
run d 1700200500 20
expect "a step among other lines" "# kept
900:1600000000:Linux old
not a record
20:1700200500:Linux 6.1.0-test" "d 1700200500"

# Between a step and the next run, vellipo shows the boot once, under the
# boot time it is stored under; after the run, under the new one.
rows() {
	CORVANE_TEST_BOOT_ID=d CORVANE_TEST_BOOT=$1 CORVANE_TEST_UPTIME=30 \
		LD_LIBRARY_PATH="$DOUBLE_DIR" CORVANE_RECORDS="$store" "$VELLIPO" -a -s </dev/null |
		grep -c '^[ -]>\? *[0-9]'
}
[ "$(rows 1700201000)" = 2 ] || fail "vellipo between a step and the next run: $(rows 1700201000) rows"
CORVANE_TEST_BOOT_ID=d CORVANE_TEST_BOOT=1700201000 CORVANE_TEST_UPTIME=30 \
	LD_LIBRARY_PATH="$DOUBLE_DIR" CORVANE_RECORDS="$store" "$VELLIPO" -a -s </dev/null |
	grep -q '^->.*Fri Nov 17 05:55:00 2023' || fail "vellipo does not show the stored boot time"
run d 1700201000 30
[ "$(rows 1700201000)" = 2 ] || fail "vellipo after the run: $(rows 1700201000) rows"

# --- time namespaces ----------------------------------------------------------
if ! unshare -T --boottime 60 true 2>/dev/null; then
	echo "no time namespace can be made here: the real-kernel part is skipped"
	[ -n "${CI:-}" ] && fail "time namespaces are needed under CI"
	[ "$failed" = 0 ] && exit 77
	exit 1
fi
rm -f "$store"*
real() { unshare -T --boottime "$1" "$RECORDER" -f "$store" </dev/null || fail "real run $1: status $?"; }
btime() { unshare -T --boottime "$1" awk '$1 == "btime" { print $2 }' /proc/stat; }
id=$(cat /proc/sys/kernel/random/boot_id)
for offset in 0 60 120 30; do
	real "$offset"
	lines=$(grep -c . "$store")
	[ "$lines" = 1 ] || fail "boot time moved by $offset s: $lines lines: $(cat "$store")"
	[ "$(cat "$store.boot")" = "$id $(btime "$offset")" ] ||
		fail "boot time moved by $offset s: mark $(cat "$store.boot")"
	[ "$(cut -d: -f2 "$store")" = "$(btime "$offset")" ] ||
		fail "boot time moved by $offset s: stored at $(cut -d: -f2 "$store")"
done
# vellipo in a namespace whose boot time the recorder has not seen yet.
shown=$(unshare -T --boottime 90 env CORVANE_RECORDS="$store" "$VELLIPO_REAL" -a -s </dev/null |
	grep -c '^[ -]>\? *[0-9]')
[ "$shown" = 1 ] || fail "the real vellipo shows $shown rows for one boot"

[ "$failed" = 0 ] || exit 1
echo "boot id: all cases passed"
