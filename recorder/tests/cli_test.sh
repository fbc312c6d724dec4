#!/usr/bin/env bash
# The recorder's command line and what one run does to a store: the help,
# the version and usage errors; a first run; updates of the running boot;
# lines it cannot read kept byte for byte; hostile stores; the dry run; the
# import; and the messages of each error.
#
# Run by CTest with RECORDER, DOUBLE_DIR and WTMP_WRITER in the environment.
# The recorder runs against the test double of the records library, whose
# boot time, uptime and system text come from CORVANE_TEST_*.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work cli
use_double
export LC_ALL=C
export CORVANE_TEST_BOOT=1700000000 CORVANE_TEST_UPTIME=3600 CORVANE_TEST_SYSINFO="Linux 6.1.0-test"
export CORVANE_RECORDS="$work/never-used"

# Runs the recorder; its status, standard output and standard error land in
# $status, $work/out and $work/err.
record() {
	"$RECORDER" "$@" >"$work/out" 2>"$work/err" </dev/null
	status=$?
}

# expect NAME STATUS STDOUT STDERR: the last run's status and output, whole.
expect() {
	local name=$1 want_status=$2 want_out=$3 want_err=$4
	[ "$status" = "$want_status" ] || fail "$name: status $status, expected $want_status"
	[ "$(cat "$work/out")" = "$want_out" ] || fail "$name: standard output: $(cat "$work/out")"
	[ "$(cat "$work/err")" = "$want_err" ] || fail "$name: standard error: $(cat "$work/err")"
}

# same_file NAME FILE EXPECTED: the file holds exactly the bytes of EXPECTED.
same_file() {
	cmp -s "$2" "$3" || {
		fail "$1: $2 differs:"
		diff <(od -c "$3") <(od -c "$2") | head -20
	}
}

# --- help, version, usage errors -------------------------------------------
for word in -h --help; do
	record "$word"
	[ "$status" = 0 ] && [ ! -s "$work/err" ] && grep -q '^usage: corvane-record ' "$work/out" &&
		grep -q -- "--dry-run" "$work/out" && grep -q "(now $work/never-used)" "$work/out" ||
		fail "$word: status $status, $(head -1 "$work/out")"
done
for word in -V --version; do
	record "$word"
	expect "$word" 0 "corvane-record 0.4.7" ""
done
usage="(corvane-record --help lists the options)"
runs=(
	"-x|unknown option '-x' $usage"
	"-nx|unknown option '-x' $usage"
	"--frobnicate|unknown option '--frobnicate' $usage"
	"-f|a file name must follow '-f' $usage"
	"--file|a file name must follow '--file' $usage"
	"--wtmp|a file name must follow '--wtmp' $usage"
	"--file=|an empty file name for '--file' $usage"
	"-W|a number of seconds must follow '-W' $usage"
	"--wait|a number of seconds must follow '--wait' $usage"
	"--wait=|the wait must be whole seconds, not '' $usage"
	"-W 1.5|the wait must be whole seconds, not '1.5' $usage"
	"-W -1|the wait must be whole seconds, not '-1' $usage"
	"--wait=4294967296|the wait must be whole seconds, not '4294967296' $usage"
	"extra|unexpected argument 'extra' $usage"
	"-n extra|unexpected argument 'extra' $usage"
	"--status --shutdown|--status and --shutdown cannot be given together $usage"
	"--shutdown --status|--status and --shutdown cannot be given together $usage"
)
for run in "${runs[@]}"; do
	args=${run%%|*}
	# shellcheck disable=SC2086 # the words of args are the arguments
	record $args
	expect "usage: $args" 1 "" "corvane-record: ${run#*|}"
done
if [ -w /dev/full ]; then
	"$RECORDER" --help >/dev/full 2>"$work/err"
	status=$?
	[ "$status" = 1 ] &&
		[ "$(cat "$work/err")" = "corvane-record: write error on standard output: No space left on device" ] ||
		fail "--help >/dev/full: status $status, $(cat "$work/err")"
fi

# --- a first run makes the folder and the store -----------------------------
store="$work/new/folder/records"
(umask 077 && "$RECORDER" -f "$store" >"$work/out" 2>"$work/err")
status=$?
expect "first run" 0 "" ""
printf '3600:1700000000:Linux 6.1.0-test\n' >"$work/expected"
same_file "first run" "$store" "$work/expected"
[ "$(stat -c %a "$store")" = 644 ] || fail "a new store has mode $(stat -c %a "$store")"
[ "$(stat -c %a "$work/new/folder")" = 755 ] || fail "a new folder has mode $(stat -c %a "$work/new/folder")"
[ -f "$store.lock" ] || fail "no lock file beside the store"
[ "$(ls -A "$work/new/folder")" = "records
records.lock" ] || fail "files left beside the store: $(ls -A "$work/new/folder")"

# The store named by CORVANE_RECORDS when -f is not given.
CORVANE_RECORDS="$work/env-store" "$RECORDER" || fail "a run on \$CORVANE_RECORDS failed"
same_file "store from the environment" "$work/env-store" "$work/expected"

# --- updates: the uptime only grows; other lines are kept ----------------------
store="$work/records"
{
	printf '# uptime:boot time:system\n'
	printf '100:1600000000:Linux 5.10.0-21-amd64\r\n'
	printf 'not a record\n'
	printf '\n'
	printf '50:1700000000:Linux 6.1.0-test\n'
	printf '%s\n' '+7:1650000000:a sign'
	printf '20:1690000000:last line without a line end'
} >"$store"
chmod 600 "$store"
cp "$store" "$work/before"
sed 's/^50:1700000000:/3600:1700000000:/' "$work/before" >"$work/expected"
record -f "$store"
expect "update" 0 "" ""
same_file "update" "$store" "$work/expected"
[ "$(stat -c %a "$store")" = 600 ] || fail "the store's mode became $(stat -c %a "$store")"

CORVANE_TEST_UPTIME=10 record -f "$store"
expect "a smaller uptime" 0 "" ""
same_file "a smaller uptime does not shrink the record" "$store" "$work/expected"

CORVANE_TEST_UPTIME=7200 record -f "$store"
sed -i 's/^3600:1700000000:/7200:1700000000:/' "$work/expected"
same_file "a larger uptime" "$store" "$work/expected"

# A new boot is added at the end, after a line end for the last line.
CORVANE_TEST_BOOT=1710000000 CORVANE_TEST_UPTIME=5 record -f "$store"
printf '\n5:1710000000:Linux 6.1.0-test\n' >>"$work/expected"
same_file "a new boot" "$store" "$work/expected"

# --- the dry run prints the new store and writes nothing --------------------
cp "$store" "$work/before"
CORVANE_TEST_BOOT=1720000000 CORVANE_TEST_UPTIME=9 record -n -f "$store"
{
	cat "$work/before"
	printf '9:1720000000:Linux 6.1.0-test\n'
} >"$work/expected"
[ "$status" = 0 ] && [ ! -s "$work/err" ] || fail "dry run: status $status, $(cat "$work/err")"
same_file "dry run output" "$work/out" "$work/expected"
same_file "dry run leaves the store" "$store" "$work/before"
CORVANE_TEST_BOOT=1720000000 record -n -f "$work/no/such/folder/records"
printf '3600:1720000000:Linux 6.1.0-test\n' >"$work/expected"
same_file "dry run on a missing store" "$work/out" "$work/expected"
[ ! -e "$work/no" ] || fail "a dry run made the store's folder"

# --- hostile stores: every byte is kept, the run never crashes ------------------
hostile() {
	case $1 in
	binary) head -c 300000 /dev/urandom ;;
	nul) head -c 100000 /dev/zero ;;
	huge-line) printf '5:1700000000:'; head -c 5000000 /dev/zero | tr '\0' x; printf '\n' ;;
	huge-last-line) printf '# start\n'; head -c 5000000 /dev/zero | tr '\0' 9 ;;
	crlf-only) printf '\r\n\r\n\r' ;;
	colons) head -c 200000 /dev/zero | tr '\0' ':' ;;
	esac
}
for kind in binary nul huge-line huge-last-line crlf-only colons; do
	hostile "$kind" >"$store"
	cp "$store" "$work/before"
	record -f "$store"
	[ "$status" = 0 ] && [ ! -s "$work/err" ] || fail "$kind store: status $status, $(cat "$work/err")"
	{
		cat "$work/before"
		[ "$(tail -c 1 "$work/before" | od -An -tx1 | tr -d ' ')" = 0a ] || printf '\n'
		printf '3600:1700000000:Linux 6.1.0-test\n'
	} >"$work/expected"
	same_file "$kind store" "$store" "$work/expected"
done

# --- errors: one line naming the file and the reason, status 1 ----------------
# A store that is not a plain file, worded as vellipo words it: arguments|
# the message after "cannot read".
mkdir "$work/folder-store"
mkfifo "$work/fifo-store"
runs=(
	"-f $work/folder-store|$work/folder-store: Is a directory"
	"-f $work/fifo-store|$work/fifo-store: Not a plain file"
	"-n -f $work/fifo-store|$work/fifo-store: Not a plain file"
	"--status -f $work/fifo-store|$work/fifo-store: Not a plain file"
	"--status -f $work/folder-store|$work/folder-store: Is a directory"
	"-n -f $work/new -w $work/fifo-store|$work/fifo-store: Not a plain file"
)
for run in "${runs[@]}"; do
	# shellcheck disable=SC2086 # the words of the arguments
	record ${run%%|*}
	expect "store: ${run%%|*}" 1 "" "corvane-record: cannot read ${run#*|}"
done

# A permission that is missing on the store or its lock names the ways past
# it.  As root, without the capabilities that pass over file modes.
mkdir "$work/closed"
printf '1:1000:x\n' >"$work/closed/records"
printf '1:1000:x\n' >"$work/unreadable"
chmod 0555 "$work/closed"
chmod 0000 "$work/unreadable"
as_user=()
[ "$(id -u)" = 0 ] && as_user=(setpriv "--bounding-set=-dac_override,-dac_read_search")
hint="Permission denied (run as root, or use -f FILE)"
runs=(
	"-f $work/closed/records|cannot lock $work/closed/records.lock: $hint"
	"-n -f $work/unreadable|cannot read $work/unreadable: $hint"
	"--status -f $work/unreadable|cannot read $work/unreadable: $hint"
)
for run in "${runs[@]}"; do
	# shellcheck disable=SC2086 # the words of the arguments
	"${as_user[@]}" "$RECORDER" ${run%%|*} >"$work/out" 2>"$work/err" </dev/null
	status=$?
	expect "permission: ${run%%|*}" 1 "" "corvane-record: ${run#*|}"
done
chmod 0755 "$work/closed"
chmod 0644 "$work/unreadable"

# --status on a store that does not exist, that is empty, or of which no line
# is a record: no figures, and how to start one.
: >"$work/empty-store"
printf 'root:x:0:0:root:/root:/bin/bash\n' >"$work/passwd"
start="(as root) starts it with the boots this machine remembers"
runs=(
	"$work/absent|$work/absent does not exist yet: corvane-record --import -f $work/absent $start"
	"$work/empty-store|$work/empty-store holds no record yet: corvane-record --import -f $work/empty-store $start"
	"$work/passwd|no line of $work/passwd could be read as a record: is it a records store?"
)
for run in "${runs[@]}"; do
	record --status -f "${run%%|*}"
	expect "--status -f ${run%%|*}" 1 "" "corvane-record: ${run#*|}"
done
[ -e "$work/absent" ] && fail "--status made the store"
CORVANE_RECORDS="$work/absent" record --status
expect "--status, no store" 1 "" "corvane-record: $work/absent does not exist yet: corvane-record --import $start"

# The folder of the metrics is the collector's: it is never made.
record -f "$work/metrics-store" --metrics="$work/no-folder/corvane.prom"
expect "metrics in a missing folder" 1 "" \
	"corvane-record: cannot write $work/no-folder/corvane.prom: its folder $work/no-folder: No such file or directory"
[ -e "$work/no-folder" ] || [ -e "$work/metrics-store" ] && fail "a metrics run in a missing folder wrote"

printf 'x' >"$work/plain"
record -f "$work/plain/records"
expect "store below a file" 1 "" \
	"corvane-record: cannot lock $work/plain/records.lock: Not a directory"
printf '1:1000:x\n' >"$store"
CORVANE_TEST_BOOT=253370764800 record -f "$store"
expect "boot time beyond the store" 1 "" \
	"corvane-record: the running boot (at 253370764800, up 3600 seconds) lies beyond the times the store holds"
printf '1:1000:x\n' >"$work/expected"
same_file "a failed run leaves the store" "$store" "$work/expected"

# --- the import ----------------------------------------------------------------
wtmp="$work/wtmp"
# A clean boot; a crash bounded by its last login; a boot the store holds; a
# crash with no record after its boot, which cannot be bounded; a release
# ending in a carriage return; a boot dated 2000-01-01 by a clock not yet set,
# whose clock was set before its end; the running boot.
"$WTMP_WRITER" "$wtmp" boot:1600000000:6.1.0-1-amd64 login:1600000100:alice shutdown:1600003600 \
	boot:1600010000:6.1.0-2-amd64 login:1600010100:bob boot:1600020000:6.1.0-3-amd64 \
	shutdown:1600020500 boot:1600030000:$'6.1.0-9\r' shutdown:1600030100 \
	boot:1650000000:6.1.0-4-amd64 boot:946684800:6.1.0-5 login:1660000000:carol \
	shutdown:1660000500 boot:1700000012:6.1.0-test || fail "wtmp_writer failed"
printf '# history\n500:1600019990:Linux already there\n' >"$store"
record -f "$store" --import --wtmp "$wtmp"
expect "import" 0 \
	"imported 3 boots from $wtmp, 2 already recorded, skipped 2 that could not be bounded (1 release cut at a byte a release cannot hold)" ""
{
	printf '# history\n500:1600019990:Linux already there\n'
	printf '3600:1600000000:Linux 6.1.0-1-amd64\n'
	printf '100:1600010000:Linux 6.1.0-2-amd64\n'
	printf '100:1600030000:Linux 6.1.0-9\n'
	printf '3600:1700000000:Linux 6.1.0-test\n'
} >"$work/expected"
same_file "import" "$store" "$work/expected"

# Imported twice, nothing more; a boot without an end that is not the
# running one is skipped.
"$WTMP_WRITER" "$wtmp" boot:1750000000:6.2
CORVANE_TEST_BOOT=1760000000 record -f "$store" -w "$wtmp"
expect "second import" 0 \
	"imported 0 boots from $wtmp, 5 already recorded, skipped 3 that could not be bounded" ""
printf '3600:1760000000:Linux 6.1.0-test\n' >>"$work/expected"
same_file "second import" "$store" "$work/expected"

# With -n the summary goes to standard error.
record -n -f "$store" -i -w "$wtmp"
[ "$status" = 0 ] && grep -q '^imported 0 boots' "$work/err" && ! grep -q imported "$work/out" ||
	fail "import with -n: status $status, $(cat "$work/err")"

: >"$work/empty-wtmp"
cp "$store" "$work/before"
record -f "$store" -w "$work/empty-wtmp"
expect "empty wtmp" 0 "no boot history to import: $work/empty-wtmp is empty" ""
same_file "empty wtmp" "$store" "$work/before"
record -f "$store" -w "$work/missing-wtmp"
expect "missing wtmp" 0 "no boot history to import: $work/missing-wtmp does not exist" ""
record -f "$store" -w "$work/folder-store"
expect "unreadable wtmp" 1 "" "corvane-record: cannot read $work/folder-store: Is a directory"
same_file "a failed import leaves the store" "$store" "$work/before"
for other in "$work/passwd" "$work/before"; do
	record -f "$store" -w "$other"
	expect "-w $other" 1 "" "corvane-record: cannot read $other: not a login accounting file"
done
same_file "an import of another file leaves the store" "$store" "$work/before"

[ "$failed" = 0 ] && echo "the recorder's command line and runs behave as expected"
exit "$failed"
