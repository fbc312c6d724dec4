#!/usr/bin/env bash
# A write to standard output that fails (a full device) ends every path of
# the program with status 1 and one line on standard error naming the
# program: the report, follow mode, the help, the version and the usage
# error.
#
#   write_error_test.sh PROGRAM DOUBLE_DIR
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
double=$(cd "$2" && pwd)
fixtures=$(cd "$(dirname "$0")/fixtures" && pwd)

. "$(dirname "$0")/skip.sh"
if [ ! -w /dev/full ]; then
	skip_test "no /dev/full on this system"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-write-error.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

export TZ=UTC LC_ALL=C
export LD_LIBRARY_PATH="$double"
export CORVANE_RECORDS="$fixtures/default.records"
unset CORVANE_TEST_UPTIME CORVANE_TEST_BOOT CORVANE_TEST_SYSINFO CORVANE_TEST_NOW \
	CORVANE_TEST_STEP CORVANE_TEST_REAL_SLEEP
# Follow mode would end in its third sleep if the failed write let it go on.
export CORVANE_TEST_PASSES=3

# What each run is: its arguments after the program name.
runs=(
	""
	"-f"
	"-h"
	"-v"
	"-i x"
)

failed=0
for args in "${runs[@]}"; do
	# shellcheck disable=SC2086 # the words of args are the arguments
	(exec -a vellipo "$program" $args) >/dev/full 2>"$work/stderr" </dev/null
	status=$?
	lines=$(wc -l <"$work/stderr")
	last=$(tail -n 1 "$work/stderr")
	if [ "$status" != 1 ] || [ "$lines" != 1 ] ||
		[ "$last" != "vellipo: write error on standard output: No space left on device" ] ||
		[ -n "$(tail -c 1 "$work/stderr")" ]; then
		echo "vellipo $args >/dev/full: status $status (expected 1)," \
			"$lines lines on standard error (expected 1):"
		cat "$work/stderr"
		failed=1
	fi
done
exit $failed
