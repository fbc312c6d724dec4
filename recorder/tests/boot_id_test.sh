#!/usr/bin/env bash
# One record per boot across clock steps: a boot is known by the kernel's
# boot id, which the boot mark beside the store keeps with the boot time its
# record is stored under.
#
# Part one runs the recorder against the test double of the records library,
# whose boot id and kernel boot time come from the environment: steps
# forward and back, two steps, a real new boot, a new boot at an old boot's
# time, and what vellipo shows between a step and the recorder's next run;
# then an uptime that falls under one boot id (a new boot whose id could not
# be told apart), with the clocks of the new boot a step forward.
# Part two runs the recorder on the real library (no LD_LIBRARY_PATH) and vellipo in time namespaces
# (unshare --boottime), which move the kernel's boot time exactly as a step
# of the wall clock does while the boot id stays (a positive offset: a step
# back); a smaller offset after a larger lowers the uptime, a new boot.
#
# Run by CTest with RECORDER, DOUBLE_DIR, VELLIPO and
# VELLIPO_REAL in the environment.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work boot-id
export LC_ALL=C TZ=UTC
store="$work/records"

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
expect "a first run" "100:1700000000:Linux 6.1.0-test" "a 1700000000 100 100 -"
run a 1700000600 200
expect "a step forward" "200:1700000600:Linux 6.1.0-test" "a 1700000600 200 200 -"
run a 1699999000 300
expect "a step back" "300:1699999000:Linux 6.1.0-test" "a 1699999000 300 300 -"
# The same boot at the same boot time: the mark alone takes the uptime,
# which every reader of the store sees.
run a 1699999000 400
expect "no step" "300:1699999000:Linux 6.1.0-test" "a 1699999000 400 300 -"
CORVANE_TEST_BOOT_ID=a CORVANE_TEST_BOOT=1699999000 CORVANE_TEST_UPTIME=400 \
	LD_LIBRARY_PATH="$DOUBLE_DIR" "$RECORDER" -f "$store" -n </dev/null | grep -qx '400:1699999000:Linux 6.1.0-test' ||
	fail "no step: a dry run does not show the mark's uptime"
run b 1700100000 50
expect "a real new boot" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test" "b 1700100000 50 50 -"
run c 1700100000 60
expect "a new boot at the boot time of an old one" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test
60:1700100001:Linux 6.1.0-test" "c 1700100001 60 60 -"
run c 1700100000 70
expect "it stays at its second" "400:1699999000:Linux 6.1.0-test
50:1700100000:Linux 6.1.0-test
70:1700100001:Linux 6.1.0-test" "c 1700100001 70 70 -"

# Lines around the moved one are kept as they were; the moved line goes.
printf '# kept\n900:1600000000:Linux old\nnot a record\n' >"$store"
rm -f "$store.boot"
run d 1700200000 10
run d 1700200500 20
expect "a step among other lines" "# kept
900:1600000000:Linux old
not a record
20:1700200500:Linux 6.1.0-test" "d 1700200500 20 20 -"

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

# --- the uptime falls under one boot id -------------------------------------
# Within a boot the uptime only grows: an uptime below the mark's is a new
# boot whose id could not be told from the last one's (a container's service
# that reads the host's boot id).  It is recorded as a new boot, the boot
# before it as ended uncleanly unless its shutdown run was seen, and the run
# says so once on standard error.  The test double's clocks of the new boot
# put its boot time after the old one's (a step forward).
rm -f "$store"*
# fall ID KERNEL_BOOT_TIME UPTIME [OPTION...]: a run whose standard error is
# kept in $work/err.
fall() {
	local id=$1 at=$2 up=$3
	shift 3
	CORVANE_TEST_BOOT_ID=$id CORVANE_TEST_BOOT=$at CORVANE_TEST_UPTIME=$up \
		LD_LIBRARY_PATH="$DOUBLE_DIR" "$RECORDER" -f "$store" "$@" </dev/null 2>"$work/err" ||
		fail "run $id $at $up $*: status $?"
}
# said NAME EXPECTED: the run's standard error, whole.
said() {
	[ "$(cat "$work/err")" = "$2" ] || fail "$1: standard error: $(cat "$work/err")"
}
ends_are() {
	[ "$(cat "$store.ends" 2>/dev/null)" = "$2" ] || fail "$1: ends: $(cat "$store.ends" 2>/dev/null)"
}
fall a 1700000000 3600
said "a first run" ""
fall a 1700003000 10
expect "the uptime fell" "3600:1700000000:Linux 6.1.0-test
10:1700003000:Linux 6.1.0-test" "a 1700003000 10 10 -"
said "the uptime fell" "corvane-record: the uptime fell from 3600 to 10 seconds under one boot id (a): recorded as a new boot, the boot before it as ended uncleanly"
ends_are "the uptime fell" "1700000000 unclean"
fall a 1700003000 20
expect "the next run of the new boot" "3600:1700000000:Linux 6.1.0-test
10:1700003000:Linux 6.1.0-test" "a 1700003000 20 10 -"
said "the next run of the new boot" ""
fall a 1700003000 20
said "an equal uptime is the same boot" ""
[ "$(grep -c . "$store")" = 2 ] || fail "an equal uptime: $(cat "$store")"
# A shutdown run's clean end stays clean.
fall a 1700003000 30 --shutdown
fall a 1700009000 5
said "after a shutdown run" "corvane-record: the uptime fell from 30 to 5 seconds under one boot id (a): recorded as a new boot, the boot before it as ended cleanly (its shutdown run was seen)"
ends_are "after a shutdown run" "1700000000 unclean
1700003000 clean"
# Between the fall and the recorder's next run, vellipo shows the new boot
# as a boot of its own.
shown() {
	CORVANE_TEST_BOOT_ID=a CORVANE_TEST_BOOT=$1 CORVANE_TEST_UPTIME=$2 \
		LD_LIBRARY_PATH="$DOUBLE_DIR" CORVANE_RECORDS="$store" "$VELLIPO" -a -s -m 0 </dev/null |
		grep -c '^[ -]>\? *[0-9]'
}
[ "$(shown 1700009000 6)" = 3 ] || fail "vellipo in the same boot: $(shown 1700009000 6) rows"
[ "$(shown 1700009500 2)" = 4 ] || fail "vellipo after a fall: $(shown 1700009500 2) rows"
# The mark of an older recorder, without an uptime, cannot tell: the same
# boot, as before; the run adds the uptime to it.
printf 'a 1700009000\n' >"$store.boot"
fall a 1700009000 1
said "an old mark" ""
expect "an old mark" "3600:1700000000:Linux 6.1.0-test
30:1700003000:Linux 6.1.0-test
5:1700009000:Linux 6.1.0-test" "a 1700009000 1 5 -"
# A dry run says it too, and writes nothing.
fall a 1700009600 0 -n
said "a dry run" "corvane-record: the uptime fell from 1 to 0 seconds under one boot id (a): recorded as a new boot, the boot before it as ended uncleanly"
[ "$(cat "$store.boot")" = "a 1700009000 1 5 -" ] || fail "a dry run wrote the mark: $(cat "$store.boot")"

# --- time namespaces ----------------------------------------------------------
if ! unshare -T --boottime 60 true 2>/dev/null; then
	echo "no time namespace can be made here: the real-kernel part is skipped"
	[ -n "${CI:-}" ] && fail "time namespaces are needed under CI"
	[ "$failed" = 0 ] && exit 77
	exit 1
fi
rm -f "$store"*
real() { unshare -T --boottime "$1" "$RECORDER" -f "$store" </dev/null || fail "real run $1: status $?"; }
# shellcheck disable=SC2016 # awk's own fields
btime() { unshare -T --boottime "$1" awk '$1 == "btime" { print $2 }' /proc/stat; }
id=$(cat /proc/sys/kernel/random/boot_id)
uptime() { unshare -T --boottime "$1" cut -d. -f1 /proc/uptime; }
# A positive offset moves the boot time back and the uptime up, as a step
# back of the wall clock moves the boot time: one boot.
for offset in 0 60 120; do
	real "$offset"
	lines=$(grep -c . "$store")
	[ "$lines" = 1 ] || fail "boot time moved by $offset s: $lines lines: $(cat "$store")"
	read -r mark_id mark_time mark_uptime _ <"$store.boot"
	[ "$mark_id $mark_time" = "$id $(btime "$offset")" ] ||
		fail "boot time moved by $offset s: mark $(cat "$store.boot")"
	[ "$mark_uptime" -le "$(uptime "$offset")" ] && [ "$mark_uptime" -ge "$((offset - 1))" ] ||
		fail "boot time moved by $offset s: mark's uptime $mark_uptime"
	[ "$(cut -d: -f2 "$store")" = "$(btime "$offset")" ] ||
		fail "boot time moved by $offset s: stored at $(cut -d: -f2 "$store")"
done
# vellipo in a namespace whose boot time the recorder has not seen yet.
vellipo_rows() {
	unshare -T --boottime "$1" env CORVANE_RECORDS="$store" "$VELLIPO_REAL" -a -s </dev/null |
		grep -c '^[ -]>\? *[0-9]'
}
shown=$(vellipo_rows 150)
[ "$shown" = 1 ] || fail "the real vellipo shows $shown rows for one boot"
# A smaller offset lowers the uptime, which no clock step does: a new boot
# with the same boot id, as when a container's service reads the host's.
# vellipo shows it as one before the recorder's run, and the run records it.
shown=$(vellipo_rows 30)
[ "$shown" = 2 ] || fail "the real vellipo shows $shown rows after the uptime fell"
old_time=$(btime 120)
unshare -T --boottime 30 "$RECORDER" -f "$store" </dev/null 2>"$work/err" || fail "the run after the fall: status $?"
lines=$(grep -c . "$store")
[ "$lines" = 2 ] || fail "the uptime fell: $lines lines: $(cat "$store")"
grep -q "^[0-9]*:$(btime 30):" "$store" || fail "the uptime fell: the new boot is not at $(btime 30): $(cat "$store")"
[ "$(grep -v ' suspended ' "$store.ends")" = "$old_time unclean" ] || fail "the uptime fell: ends $(cat "$store.ends")"
[ "$(grep -c 'the uptime fell from .* under one boot id' "$work/err")" = 1 ] &&
	[ "$(grep -c . "$work/err")" = 1 ] || fail "the uptime fell: standard error: $(cat "$work/err")"
unshare -T --boottime 30 "$RECORDER" -f "$store" </dev/null 2>"$work/err" || fail "the next run: status $?"
[ -s "$work/err" ] && fail "the next run said: $(cat "$work/err")"
[ "$(grep -c . "$store")" = 2 ] || fail "the next run: $(cat "$store")"

[ "$failed" = 0 ] || exit 1
echo "boot id: all cases passed"
