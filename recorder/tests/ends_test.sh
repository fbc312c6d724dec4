#!/usr/bin/env bash
# How each boot ended: the run at shutdown (--shutdown) notes a clean end in
# the ends file beside the store; a new boot id with no such run before it
# notes an unclean one; boots from before the ends file are unknown.  And
# --status, whole, on a store with each kind of end: it writes nothing and
# takes no lock.
#
# Run by CTest with RECORDER, DOUBLE_DIR and VELLIPO in the environment; the
# recorder runs against the test double of the records library.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work ends
use_double
export LC_ALL=C TZ=UTC
store="$work/records"

# boot ID BOOT_TIME UPTIME [OPTION...]: one run of the recorder in that boot.
boot() {
	local id=$1 at=$2 up=$3
	shift 3
	CORVANE_TEST_BOOT_ID=$id CORVANE_TEST_BOOT=$at CORVANE_TEST_UPTIME=$up \
		"$RECORDER" -f "$store" "$@" </dev/null >"$work/out" 2>&1 || fail "boot $id $*: $(cat "$work/out")"
}

# ends NAME EXPECTED: the ends file, whole ("" for none).
ends() {
	local got=""
	[ -e "$store.ends" ] && got=$(cat "$store.ends")
	[ "$got" = "$2" ] || fail "$1: ends file: $got"
}

# --- ends ---------------------------------------------------------------------
boot a 1600000000 300
ends "a running boot" ""
boot a 1600000000 3600 --shutdown
ends "a clean end" "1600000000 clean"
[ "$(cat "$store")" = "3600:1600000000:Linux 6.1.0-test" ] || fail "the shutdown run: $(cat "$store")"
cp "$store" "$work/before"
boot a 1600000000 3600 --shutdown
ends "a shutdown run twice" "1600000000 clean"
cmp -s "$store" "$work/before" || fail "a second shutdown run changed the store"

boot b 1600010000 60
ends "the next boot" "1600000000 clean"
boot b 1600010000 7200
boot c 1600020000 100
ends "a crash: a new boot id with no shutdown run" "1600000000 clean
1600010000 unclean"
boot c 1600020000 100 --shutdown
boot d 1600030000 10
ends "a clean end after a crash" "1600000000 clean
1600010000 unclean
1600020000 clean"

# A clock step after the shutdown run takes the clean end along.
boot d 1600030000 20 --shutdown
boot d 1600030500 25
ends "an end moved with its record" "1600000000 clean
1600010000 unclean
1600020000 clean
1600030500 clean"

# The time each boot spent suspended, where the system tells it: the
# running boot's in the boot mark, an ended boot's in the ends file, beside
# its end; a boot that crashed keeps the figure of its last run.
rm -f "$store"*
CORVANE_TEST_SUSPENDED=40 boot g 1600000000 1000
[ "$(cat "$store.boot")" = "g 1600000000 1000 1000 40" ] || fail "suspended: the mark: $(cat "$store.boot")"
CORVANE_TEST_SUSPENDED=90 boot g 1600000000 1100
CORVANE_TEST_SUSPENDED=0 boot h 1600010000 100
ends "a crashed boot's suspended time" "1600000000 suspended 90
1600000000 unclean"
CORVANE_TEST_SUSPENDED=30 boot h 1600010000 200 --shutdown
boot i 1600020000 100
ends "a clean end's suspended time" "1600000000 suspended 90
1600000000 unclean
1600010000 suspended 30
1600010000 clean"
# The export and --status tell them, the running boot's as the system tells
# it now; a boot whose time suspended nobody noted has none.
printf '500:1590000000:Linux old\n' >>"$store"
view() {
	CORVANE_TEST_BOOT_ID=i CORVANE_TEST_BOOT=1600020000 CORVANE_TEST_UPTIME=150 CORVANE_TEST_SUSPENDED=5 \
		"$RECORDER" -f "$store" "$@" </dev/null
}
[ "$(view --export=csv | tr -d '\r' | awk -F, 'NR > 1 { print $2, $NF }')" = "1590000000 
1600000000 90
1600010000 30
1600020000 5" ] || fail "suspended: the export: $(view --export=csv)"
[ "$(view --export=json | jq -c .suspended | tr '\n' ' ')" = "null 90 30 5 " ] ||
	fail "suspended: the JSON export: $(view --export=json)"
[ "$(view --status | grep '^suspended')" = "suspended       0 days, 00:02:05 of 0 days, 00:24:10 up, running 0 days, 00:22:05 (3 boots whose time suspended is known)" ] ||
	fail "suspended: --status: $(view --status | grep '^suspended')"

# A store with no ends file: its boots ended in ways nobody saw, and the
# first boot change with a mark but no shutdown run is a crash.
rm -f "$store"*
printf '3600:1500000000:Linux old\n' >"$store"
boot e 1600000000 100
ends "no ends file" ""
boot f 1600100000 100
ends "a crash in a store that had no ends file" "1600000000 unclean"

# Lines of the ends file that cannot be read are kept as they were.
printf '# ends\n1600000000 unclean\nnot an end\n' >"$store.ends"
boot f 1600100000 200 --shutdown
ends "lines kept" "# ends
not an end
1600000000 unclean
1600100000 clean"

# An ends file that is not a plain file ends the run, the store untouched.
rm -f "$store.ends"
mkdir "$store.ends"
cp "$store" "$work/before"
CORVANE_TEST_BOOT_ID=f CORVANE_TEST_BOOT=1600100000 CORVANE_TEST_UPTIME=900 \
	"$RECORDER" -f "$store" --shutdown </dev/null >"$work/out" 2>&1
status=$?
[ "$status" = 1 ] && [ "$(cat "$work/out")" = "corvane-record: cannot read $store.ends: Is a directory" ] ||
	fail "an ends folder: status $status, $(cat "$work/out")"
cmp -s "$store" "$work/before" || fail "a failed run changed the store"
rmdir "$store.ends"

# --- status -------------------------------------------------------------------
mkdir "$work/status"
store="$work/status/records"
printf '3600:1600000000:Linux a\n7200:1600010000:Linux b\n100:1600020000:Linux c\n' >"$store"
printf '1600000000 clean\n1600010000 unclean\n' >"$store.ends"
chmod 0444 "$store" "$store.ends"
chmod 0555 "$work/status"
out="$work/status.out"
cat >"$out.expected" <<EXPECTED
store           $store
boots           4 on record since 2020-09-13 12:26:40
ends            1 clean, 1 unclean, 1 unknown, 1 running
longest uptime  0 days, 02:00:00, booted 2020-09-13 15:13:20
running boot    0 days, 01:23:20, rank 2 of 4, booted 2023-11-14 22:13:20
downtime        1157 days, 06:45:00 in all
availability    0.016%
last 30 days    up 0 days, 01:23:20, down 29 days, 22:36:40, availability 0.193%
last 90 days    up 0 days, 01:23:20, down 89 days, 22:36:40, availability 0.064%
last 365 days   up 0 days, 01:23:20, down 364 days, 22:36:40, availability 0.016%
startups        4; shutdowns 1 clean, 1 unclean, 1 unknown, 1 still running
mean uptime     0 days, 01:06:15, longest 0 days, 02:00:00
mean downtime   385 days, 18:15:00, longest 1157 days, 04:11:40

boots  clean  unclean  unknown  longest uptime    average uptime    total uptime      available  system
    1      1        0        0  0 days, 01:00:00  0 days, 01:00:00  0 days, 01:00:00    36.000%  Linux a
    1      0        1        0  0 days, 02:00:00  0 days, 02:00:00  0 days, 02:00:00    72.000%  Linux b
    1      0        0        1  0 days, 00:01:40  0 days, 00:01:40  0 days, 00:01:40     0.000%  Linux c
    1      0        0        0  0 days, 01:23:20  0 days, 01:23:20  0 days, 01:23:20   100.000%  Linux 6.1.0-test

check           nothing doubtful in 4 records
EXPECTED
runners=(env)
# Without root, where the machine can drop it.
chmod 0711 "$work"
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
	nobody="setpriv --reuid=nobody --regid=$(id -g nobody) --clear-groups"
	# The build must be reachable by nobody: a build below a private
	# folder is not.
	if $nobody test -x "$RECORDER" -a -r "$DOUBLE_DIR/libcorvane.so.0" -a -r "$store"; then
		runners+=("$nobody")
	else
		echo "note: --status is not run as nobody: the build or the store is out of its reach"
	fi
fi
for runner in "${runners[@]}"; do
	# shellcheck disable=SC2086 # the runner's words
	CORVANE_TEST_BOOT_ID=z CORVANE_TEST_BOOT=1700000000 CORVANE_TEST_UPTIME=5000 \
		$runner "$RECORDER" --status -f "$store" </dev/null >"$out" 2>&1
	status=$?
	[ "$status" = 0 ] && cmp -s "$out" "$out.expected" || {
		fail "--status ($runner): status $status"
		diff "$out.expected" "$out"
	}
done
# shellcheck disable=SC2012 # names of the test's own making
[ "$(ls -A "$work/status" | tr '\n' ' ')" = "records records.ends " ] ||
	fail "--status left files: $(ls -A "$work/status")"
# vellipo counts the same downtime.
CORVANE_TEST_BOOT=1700000000 CORVANE_TEST_UPTIME=5000 CORVANE_RECORDS="$store" "$VELLIPO" -a </dev/null |
	grep -q '^  down  1157 days, 06:45:00 |' || fail "vellipo's downtime differs from --status"
chmod 0755 "$work/status"

[ "$failed" = 0 ] || exit 1
echo "ends: all cases passed"
