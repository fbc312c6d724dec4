#!/usr/bin/env bash
# Checks that a manual page formats without a single warning.
#
#   lint_man_page.sh PAGE
#
# groff, with every warning switched on, must end well and print nothing on
# standard error, and mandoc's checker must print nothing either.  Without
# groff or mandoc the check is skipped: exit status 77 (a failure under CI).
set -u
. "$(dirname "$0")/../tests/skip.sh"
page=$1
export LC_ALL=C

for tool in groff mandoc; do
	command -v "$tool" >/dev/null 2>&1 || skip_test "$tool not found: the manual page is not checked"
done

failed=0
warnings=$(groff -ww -z -man "$page" 2>&1 >/dev/null)
status=$?
if [ "$status" != 0 ] || [ -n "$warnings" ]; then
	echo "groff -ww -z -man $page (exit status $status):"
	printf '%s\n' "$warnings"
	failed=1
fi

messages=$(mandoc -Tlint "$page" 2>&1)
status=$?
if [ "$status" != 0 ] || [ -n "$messages" ]; then
	echo "mandoc -Tlint $page (exit status $status):"
	printf '%s\n' "$messages"
	failed=1
fi
exit $failed
