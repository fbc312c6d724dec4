#!/usr/bin/env bash
# The metrics file as Prometheus' own checker reads it: promtool check
# metrics finds nothing to say (names in base units, no _total on a gauge,
# HELP and TYPE lines) on the files of a few stores, whichever metrics each
# leaves out; and every metric the recorder writes is described in
# recorder/README.md and in the manual page.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; exits 77
# (skipped) when promtool (package prometheus) is missing, except under CI.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work metrics-lint
use_double
export LC_ALL=C
here=$(dirname "$0")
command -v promtool >/dev/null || skip_test "promtool (package prometheus) is missing"

# store NAME UPTIME [LINE...]: a store of the lines given, a run in a boot at
# 1700100000 with that uptime, and its metrics in $work/NAME.prom.
store() {
	local name=$1 uptime=$2
	shift 2
	printf '%s\n' "$@" >"$work/$name"
	[ -e "$work/$name.ends" ] || : >"$work/$name.ends"
	CORVANE_TEST_BOOT=1700100000 CORVANE_TEST_UPTIME=$uptime \
		"$RECORDER" -f "$work/$name" --metrics="$work/$name.prom" >"$work/out" 2>&1 ||
		fail "$name: the run failed: $(cat "$work/out")"
}

# Ranked second, with clean and unclean ends; first of several; alone.
printf '1699990000 clean\n1700000000 unclean\n' >"$work/second.ends"
store second 3600 "500:1699990000:Linux 6.1.0-27-amd64" "7200:1700000000:Linux 6.1.0-28-amd64"
store first 9000 "500:1699990000:Linux 6.1.0-27-amd64" "7200:1700000000:Linux 6.1.0-28-amd64"
store alone 60

names=$(cat "$work"/*.prom | awk '/^corvane_/ { sub(/[{ ].*/, "", $1); print $1 }' | sort -u)
for file in "$work"/*.prom; do
	promtool check metrics <"$file" >"$work/lint" 2>&1 || fail "$(basename "$file"): promtool check metrics failed"
	[ -s "$work/lint" ] && fail "$(basename "$file"): promtool check metrics: $(cat "$work/lint")"
done
grep -qx corvane_next_rank_uptime_seconds <<<"$names" || fail "no metrics read from the files: $names"
for name in $names; do
	grep -qF "\`$name" "$here/../README.md" || fail "$name is not described in recorder/README.md"
	grep -qF "$name" "$here/../../man/corvane-record.8" || fail "$name is not listed in man/corvane-record.8"
done

[ "$failed" = 0 ] && echo "metrics_lint: promtool finds nothing to say of $(wc -w <<<"$names") metrics"
exit "$failed"
