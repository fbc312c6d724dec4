#!/usr/bin/env bash
# A run killed at each of its file calls in turn (write, fsync, close,
# rename: the test double of the file calls, recorder/tests/faults.c),
# for each kind of run of a boot with a boot id: the timer run that saves
# the boot mark alone, the same with --metrics, the hourly run that rewrites
# the store, a new boot's first run after a crash, and the run at shutdown.
# After each kill, a reader sees every boot once, the running boot with the
# uptime of the last run that finished or later; the run done again then
# finishes, and leaves every boot once, with its uptime, and no stray file.
#
# Run by CTest with RECORDER, DOUBLE_DIR and FAULTS in the environment.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work kill
use_double
export LC_ALL=C CORVANE_TEST_SYSINFO="Linux 6.1.0-test"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
store="$work/records"
state="$work/state"

# run ID BOOT_TIME UPTIME [OPTION...]: a run that must finish.
run() {
	local id=$1 at=$2 up=$3
	shift 3
	CORVANE_TEST_BOOT_ID=$id CORVANE_TEST_BOOT=$at CORVANE_TEST_UPTIME=$up \
		"$RECORDER" -f "$store" "$@" </dev/null >/dev/null 2>&1 || fail "run $id $at $up $*: status $?"
}

# seen: the boots a reader sees, "BOOT_TIME UPTIME" a line, oldest first: a
# dry run of a boot of its own, far later, whose own line is left out.
seen() {
	CORVANE_TEST_BOOT_ID=reader CORVANE_TEST_BOOT=1800000000 CORVANE_TEST_UPTIME=1 \
		"$RECORDER" -n -f "$store" 2>/dev/null | awk -F: '/^[0-9]/ && $2 != 1800000000 { print $2, $1 }' | sort -n
}

# uptime_of BOOT_TIME: the uptime a reader sees for it, or "" when none.
uptime_of() { seen | awk -v t="$1" '$1 == t { print $2 }'; }

# times BOOT_TIME: how many times a reader sees it.
times() { seen | awk -v t="$1" '$1 == t { n++ } END { print n + 0 }'; }

strays() { find "$work" -maxdepth 1 -name '.records*' -printf '%f\n'; }

save_state() { rm -rf "$state" && mkdir "$state" && cp -a "$store" "$store".* "$state/" 2>/dev/null; }
load_state() { rm -f "$store" "$store".* "$work"/.records* && cp -a "$state"/. "$work/"; }

# killed NAME LAST_UPTIME ID BOOT_TIME UPTIME [OPTION...]: the run killed at
# each file call in turn from the saved state, until it finishes.  The boot
# of the saved mark (BOOT_TIME of the state, $marked) must keep LAST_UPTIME
# or more; a new boot ($3, $4) is seen at most once.
killed() {
	local name=$1 last=$2 id=$3 at=$4 up=$5
	shift 5
	local n kills=0 status
	for ((n = 1; n <= 400; n++)); do
		load_state
		{ CORVANE_FAULT="any:$n:KILL" LD_PRELOAD="$FAULTS" CORVANE_TEST_BOOT_ID=$id \
			CORVANE_TEST_BOOT=$at CORVANE_TEST_UPTIME=$up \
			"$RECORDER" -f "$store" "$@" </dev/null >/dev/null 2>&1; } 2>/dev/null
		status=$?
		[ "$status" = 0 ] && break
		[ "$status" = 137 ] || fail "$name, call $n: status $status"
		kills=$((kills + 1))
		for past in $past_boots "$marked"; do
			[ "$(times "$past")" = 1 ] || fail "$name, killed at call $n: boot $past seen $(times "$past") times"
		done
		[ "$(uptime_of "$marked")" -ge "$last" ] 2>/dev/null ||
			fail "$name, killed at call $n: uptime $(uptime_of "$marked") below $last"
		[ "$(times "$at")" -le 1 ] || fail "$name, killed at call $n: the running boot seen twice"
		# The run done again finishes, and takes the strays away.
		run "$id" "$at" "$up" "$@"
		for past in $past_boots "$marked" "$at"; do
			[ "$(times "$past")" = 1 ] || fail "$name, after call $n: boot $past seen $(times "$past") times"
		done
		[ "$(uptime_of "$at")" -ge "$up" ] 2>/dev/null ||
			fail "$name, after call $n: the running boot's uptime $(uptime_of "$at"), not $up"
		[ -z "$(strays)" ] || fail "$name, after call $n: strays $(strays)"
	done
	[ "$status" = 0 ] || fail "$name: no run finished"
	[ "$kills" -ge 3 ] || fail "$name: only $kills calls to kill the run at"
	echo "$name: killed at each of $kills calls"
}

printf '# past boots\n3600:1690000000:Linux 6.1.0-old\n7200:1695000000:Linux 6.1.0-old\n' >"$store"
past_boots="1690000000 1695000000"
run a 1700000000 1000
run a 1700000000 1100
[ "$(cat "$store.boot")" = "a 1700000000 1100 1000 -" ] || fail "the timer run's mark: $(cat "$store.boot")"
marked=1700000000
save_state

killed "the timer run" 1100 a 1700000000 1200
killed "the timer run with metrics" 1100 a 1700000000 1200 --metrics="$work/metrics.prom"
rm -f "$work/metrics.prom"
killed "the hourly run" 1100 a 1700000000 4700
killed "the run at shutdown" 1100 a 1700000000 1200 --shutdown
# A crash: the next boot's first run, its boot time after the old one's.
killed "a new boot's first run" 1100 b 1700010000 50
[ "$(uptime_of 1700000000)" = 1100 ] || fail "the crashed boot's uptime: $(uptime_of 1700000000)"
[ "$(cat "$store.ends")" = "1700000000 unclean" ] || fail "the crashed boot's end: $(cat "$store.ends")"

exit "$failed"
