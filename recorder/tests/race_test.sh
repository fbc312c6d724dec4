#!/usr/bin/env bash
# Two recorders racing a hundred times each on one store: every run adds a
# boot of its own, none is lost, and every read of the store meanwhile finds
# it whole, the lines that are not records kept at its head.  The race is run
# twice: both recorders naming the store by one path, then one through a
# link to it and the other by a relative path from its folder, which must
# take the same lock.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; the test
# double of the records library gives each run its boot time.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work race
use_double
export LC_ALL=C
export CORVANE_TEST_UPTIME=60

rounds=100
mkdir "$work/data"
store="$work/data/records"
ln -s data/records "$work/link"
head='# racing recorders
not a record'

# racer NAME FIRST_BOOT FOLDER PATH: one recorder after another, each on a
# new boot, run in FOLDER with the store named PATH.
racer() {
	local i
	cd "$3" || exit 2
	for ((i = 0; i < rounds; i++)); do
		CORVANE_TEST_BOOT=$(($2 + i)) CORVANE_TEST_SYSINFO="racer $1" \
			"$RECORDER" -f "$4" 2>>"$work/errors" || echo "racer $1 run $i failed" >>"$work/errors"
	done
}

# A copy of the store holds the head, then whole records; prints their number.
count_records() {
	local lines
	[ "$(head -n 2 "$1")" = "$head" ] || return 1
	[ ! -s "$1" ] || [ "$(tail -c 1 "$1" | od -An -tx1 | tr -d ' ')" = 0a ] || return 1
	lines=$(tail -n +3 "$1")
	[ -z "$lines" ] && { echo 0; return 0; }
	grep -qvE '^60:[12][0-9]{9}:racer [ab]$' <<<"$lines" && return 1
	wc -l <<<"$lines"
}

# race A_FOLDER A_PATH B_FOLDER B_PATH: one race on a new store.
race() {
	local a b count seen=0 reads=0 i first
	printf '%s\n' "$head" >"$store"
	rm -f "$work/errors"
	racer a 1000000000 "$1" "$2" &
	a=$!
	racer b 2000000000 "$3" "$4" &
	b=$!
	while kill -0 "$a" 2>/dev/null || kill -0 "$b" 2>/dev/null; do
		cp "$store" "$work/copy"
		if ! count=$(count_records "$work/copy"); then
			fail "the store was not whole at read $reads:"
			head -c 2000 "$work/copy"
			break
		fi
		[ "$count" -ge "$seen" ] || fail "read $reads found $count records after $seen"
		seen=$count
		reads=$((reads + 1))
	done
	wait "$a" "$b"

	[ -s "$work/errors" ] && fail "runs failed: $(head -5 "$work/errors")"
	count=$(count_records "$store") || fail "the final store is not whole"
	[ "${count:-0}" = $((2 * rounds)) ] || fail "$count records at the end, expected $((2 * rounds))"
	for ((i = 0; i < rounds; i++)); do
		for first in 1000000000 2000000000; do
			grep -q "^60:$((first + i)):" "$store" || fail "the boot at $((first + i)) was lost"
		done
	done
}

race "$work" "$store" "$work" "$store"
race "$work" "$work/link" "$work/data" records
[ -L "$work/link" ] || fail "the link to the store was replaced"

# A reader racing the runs of one boot with a boot id: most of them save the
# boot mark alone, one in four rewrites the store (an hour later each time).
# Every read through the library sees the boot once, its uptime never
# lower than the read before.
printf '%s\n' "$head" >"$store"
rm -f "$store".*
(
	for ((i = 1; i <= rounds; i++)); do
		CORVANE_TEST_BOOT_ID=one CORVANE_TEST_BOOT=1700000000 CORVANE_TEST_UPTIME=$((i * 1000)) \
			"$RECORDER" -f "$store" 2>>"$work/errors" || echo "run $i failed" >>"$work/errors"
	done
) &
writer=$!
last=0
reads=0
while kill -0 "$writer" 2>/dev/null; do
	lines=$(CORVANE_TEST_BOOT_ID=reader CORVANE_TEST_BOOT=1800000000 CORVANE_TEST_UPTIME=1 \
		"$RECORDER" -n -f "$store" 2>/dev/null | grep ':1700000000:')
	[ -z "$lines" ] && [ "$last" = 0 ] && continue
	[ "$(grep -c . <<<"$lines")" = 1 ] || { fail "read $reads saw the boot as: $lines"; break; }
	up=${lines%%:*}
	[ "$up" -ge "$last" ] || fail "read $reads saw the uptime fall from $last to $up"
	last=$up
	reads=$((reads + 1))
done
wait "$writer"
[ -s "$work/errors" ] && fail "runs failed: $(head -5 "$work/errors")"
[ "$reads" -ge 1 ] || fail "no read raced the runs"
[ "$failed" = 0 ] && echo "twice $((2 * rounds)) racing runs lost no record"
exit "$failed"
