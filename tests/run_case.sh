#!/usr/bin/env bash
# Runs the test build of vellipo for one whole-output case and compares every
# byte it prints with the case's expected files.
#
#   run_case.sh PROGRAM DOUBLE_DIR CASE_DIR
#
# A case is a folder:
#   command   the command line: the program name the run is started under
#             (its argv[0]), then the arguments, in shell quoting
#   records   the records store (else tests/fixtures/default.records, or the
#             fixture that FIXTURE=name in env names: tests/fixtures/name.records)
#   store     optional: the path of the records store instead, as the run is
#             given it: relative to the run's working folder (a file of root/
#             or one that setup makes) or absolute (/dev/zero)
#   setup     optional: shell commands run in the working folder before the
#             run, for what git cannot hold (a fifo, a file's mode)
#   env       optional NAME=value lines for the test double (see
#             tests/double/system.c), exported before the run
#   root/     optional files copied into the run's working folder, where the
#             test build looks for etc/vellipo-cgi/... and usr/local/etc/...
#   stdout    the expected standard output, byte for byte
#   stderr    optional: the expected standard error
#   status    optional: the expected exit status (0)
#
# Every run has a time limit: a run that hangs fails.  Run as root, the
# program has no power over file modes (the capabilities that pass over them
# are dropped), so that a file it may not read is one it cannot read.
#
# With UPDATE=1 in the environment the case's stdout, and its stderr and
# status where they differ from the defaults, are written from the run
# instead: read every byte of them before committing.
set -u
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
double=$(cd "$2" && pwd)
case_dir=$(cd "$3" && pwd)
fixtures=$(cd "$(dirname "$0")/fixtures" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-case.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

export TZ=UTC LC_ALL=C
export LD_LIBRARY_PATH="$double"
unset CORVANE_TEST_UPTIME CORVANE_TEST_BOOT CORVANE_TEST_SYSINFO CORVANE_TEST_NOW \
	CORVANE_TEST_PASSES CORVANE_TEST_STEP CORVANE_TEST_REAL_SLEEP FIXTURE \
	STANDIN_UPTIME STANDIN_BOOT STANDIN_SYSINFO STANDIN_NOW STANDIN_PASSES STANDIN_STEP
if [ -f "$case_dir/env" ]; then
	while IFS= read -r line || [ -n "$line" ]; do
		case $line in '' | '#'*) continue ;; esac
		export "${line?}"
	done <"$case_dir/env"
fi
if [ -f "$case_dir/store" ]; then
	CORVANE_RECORDS=$(cat "$case_dir/store")
	export CORVANE_RECORDS
elif [ -f "$case_dir/records" ]; then
	export CORVANE_RECORDS="$case_dir/records"
else
	export CORVANE_RECORDS="$fixtures/${FIXTURE:-default}.records"
fi
[ -d "$case_dir/root" ] && cp -R "$case_dir/root/." "$work/"

command_line=$(cat "$case_dir/command")
eval "set -- $command_line"
name=$1
shift
cd "$work" || exit 2
if [ -f "$case_dir/setup" ]; then
	bash -e "$case_dir/setup" || exit 2
fi
limit=(timeout -k 5 60)
if [ "$(id -u)" = 0 ]; then
	limit=(setpriv --bounding-set=-dac_override,-dac_read_search "${limit[@]}")
fi
# bash starts the program under its name, the time limit around it.
"${limit[@]}" bash -c 'exec -a "$0" "$@"' "$name" "$program" "$@" \
	>"$work/.stdout" 2>"$work/.stderr" </dev/null
status=$?
if [ "$status" = 124 ] || [ "$status" = 137 ]; then
	echo "the run did not end within its time limit"
	exit 1
fi

if [ "${UPDATE:-0}" = 1 ]; then
	cp "$work/.stdout" "$case_dir/stdout"
	if [ -s "$work/.stderr" ] || [ -f "$case_dir/stderr" ]; then cp "$work/.stderr" "$case_dir/stderr"; fi
	if [ "$status" != 0 ] || [ -f "$case_dir/status" ]; then echo "$status" >"$case_dir/status"; fi
	exit 0
fi

failed=0
want_status=0
[ -f "$case_dir/status" ] && want_status=$(cat "$case_dir/status")
if [ "$status" != "$want_status" ]; then
	echo "exit status $status, expected $want_status"
	failed=1
fi
if ! cmp -s "$work/.stdout" "$case_dir/stdout"; then
	echo "standard output differs (expected, then actual; control characters shown):"
	diff -u <(cat -A "$case_dir/stdout") <(cat -A "$work/.stdout")
	failed=1
fi
if [ -f "$case_dir/stderr" ]; then
	if ! cmp -s "$work/.stderr" "$case_dir/stderr"; then
		echo "standard error differs:"
		diff -u "$case_dir/stderr" "$work/.stderr"
		failed=1
	fi
elif [ -s "$work/.stderr" ]; then
	echo "unexpected standard error:"
	cat "$work/.stderr"
	failed=1
fi
exit $failed
