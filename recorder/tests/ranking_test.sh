#!/usr/bin/env bash
# vellipo ranks what the recorder wrote: two runs of corvane-record on a temp
# store that already holds some boots (the second raises the uptime of the
# boot the first added), then the program's test build on that store, whose
# whole output is compared with ranking_test.expected.
#
# Run by CTest with RECORDER, VELLIPO and DOUBLE_DIR in the environment; both
# programs run against the test double of the records library.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
here=$(cd "$(dirname "$0")" && pwd)
make_work ranking
use_double
export LC_ALL=C TZ=UTC
unset CORVANE_TEST_NOW CORVANE_TEST_PASSES CORVANE_TEST_STEP CORVANE_TEST_REAL_SLEEP
export CORVANE_RECORDS="$work/records"
cat >"$CORVANE_RECORDS" <<'END'
# uptime:boot time:system
3456000:1690000000:Linux 6.1.0-9-amd64
a line the reader skips
1209600:1694000000:Linux 6.1.0-12-amd64
86400:1696000000:Linux 6.1.0-13-amd64
END

failed=0
CORVANE_TEST_BOOT=1698000000 CORVANE_TEST_UPTIME=7200 CORVANE_TEST_SYSINFO="Linux 6.1.0-15-amd64" \
	"$RECORDER" || failed=1
CORVANE_TEST_BOOT=1698000000 CORVANE_TEST_UPTIME=1900000 CORVANE_TEST_SYSINFO="Linux 6.1.0-15-amd64" \
	"$RECORDER" || failed=1

cd "$work" || exit 2
CORVANE_TEST_BOOT=1702400000 CORVANE_TEST_UPTIME=500000 CORVANE_TEST_SYSINFO="Linux 6.1.0-16-amd64" \
	"$VELLIPO" -a >"$work/stdout" 2>"$work/stderr" </dev/null
status=$?
if [ "$status" != 0 ] || [ -s "$work/stderr" ]; then
	echo "vellipo: status $status, $(cat "$work/stderr")"
	failed=1
fi
if ! cmp -s "$work/stdout" "$here/ranking_test.expected"; then
	echo "vellipo's output differs (expected, then actual):"
	diff -u "$here/ranking_test.expected" "$work/stdout"
	failed=1
fi
if [ "$failed" = 0 ]; then
	echo "vellipo ranks the boot that the recorder stored"
else
	echo "the store:"
	cat "$CORVANE_RECORDS"
fi
exit "$failed"
