# shellcheck shell=bash
# common.sh - the set-up that every shell test of the recorder starts with,
# sourced first thing:
#
#   . "$(dirname "$0")/common.sh"
#   make_work NAME   # $work: a fresh folder, taken away when the test ends
#   use_double       # every run against the test double of the records library
#
# It sets -u, no store named by the environment and no fault
# of the test double of the file calls (tests/faults.c); fail MESSAGE notes a
# failed case and lets the test go on ($failed is then 1), and skip_test
# (tests/skip.sh) ends a test whose tool is missing.
set -u
# shellcheck source=tests/skip.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../tests/skip.sh"
unset CORVANE_RECORDS CORVANE_FAULT

# $failed is read by the tests that source this file.
# shellcheck disable=SC2034
failed=0
fail() {
	echo "FAIL: $*"
	# shellcheck disable=SC2034
	failed=1
}

# make_work NAME: makes $work below TMPDIR, named after the test, and takes
# it away with all it holds when the test ends.
make_work() {
	work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-record-$1.XXXXXX") || exit 2
	trap 'rm -rf "$work"' EXIT
}

# use_double: the recorder (and vellipo) of this test run against the test
# double of the records library (tests/double), whose boot time, uptime and
# system text come from CORVANE_TEST_BOOT, CORVANE_TEST_UPTIME and
# CORVANE_TEST_SYSINFO.
use_double() {
	export LD_LIBRARY_PATH="$DOUBLE_DIR"
}
