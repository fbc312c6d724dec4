#!/usr/bin/env bash
# Checks that a manual page formats without a single warning.
#
#   lint_man_page.sh PAGE
#
# groff, with every warning switched on, must end well and print nothing on
# standard error.  Where mandoc is installed its checker must print nothing
# either.  Without groff the check is skipped: exit status 77.
set -u
page=$1
export LC_ALL=C

if ! command -v groff >/dev/null 2>&1; then
	echo "groff not found: the manual page is not checked"
	exit 77
fi

failed=0
warnings=$(groff -ww -z -man "$page" 2>&1 >/dev/null)
status=$?
if [ "$status" != 0 ] || [ -n "$warnings" ]; then
	echo "groff -ww -z -man $page (exit status $status):"
	printf '%s\n' "$warnings"
	failed=1
fi

if command -v mandoc >/dev/null 2>&1; then
	messages=$(mandoc -Tlint "$page" 2>&1)
	status=$?
	if [ "$status" != 0 ] || [ -n "$messages" ]; then
		echo "mandoc -Tlint $page (exit status $status):"
		printf '%s\n' "$messages"
		failed=1
	fi
fi
exit $failed
