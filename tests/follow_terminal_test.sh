#!/usr/bin/env bash
# Follow mode in a real terminal: the test build runs with -i 1 in a private
# tmux server's 80x30 pane, its uptime growing 3000 seconds for each second
# it sleeps, and the pane is read while it runs.  Every whole screen must
# show the report redrawn in place (the column header on the first line and
# only there: no scrolled copies of earlier passes), and the current entry's
# row must climb to a smaller position as it passes the records above it.
#
#   follow_terminal_test.sh PROGRAM DOUBLE_DIR
set -u
. "$(dirname "$0")/skip.sh"
if ! command -v tmux >/dev/null 2>&1; then
	skip_test "tmux is not installed: the terminal test of follow mode is skipped"
fi
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
double=$(cd "$2" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-follow.XXXXXX") || exit 2
socket="vellipo-follow-$$-${work##*.}"
tmux_() { tmux -L "$socket" -f /dev/null "$@"; }
socket_path=
trap 'tmux_ kill-server >/dev/null 2>&1; rm -rf "$work" ${socket_path:+"$socket_path"}' EXIT
trap 'exit 2' INT TERM HUP
unset TMUX

# The running boot starts at 1000 s of uptime, at the bottom; at 3000 s more
# a second it passes 5000 s in its third pass and 9000 s in its fourth, and
# stays third for minutes.
cat >"$work/records" <<'EOF'
2000000:1690000000:Linux 6.1.0-1-amd64
1000000:1692000000:Linux 6.1.0-2-amd64
9000:1693000000:Linux 6.1.0-3-amd64
5000:1694000000:Linux 6.1.0-4-amd64
EOF
cat >"$work/run" <<EOF
#!/usr/bin/env bash
export TZ=UTC LC_ALL=C LD_LIBRARY_PATH='$double' CORVANE_RECORDS='$work/records'
export CORVANE_TEST_UPTIME=1000 CORVANE_TEST_STEP=3000 CORVANE_TEST_REAL_SLEEP=1
export CORVANE_TEST_PASSES=60
cd '$work' && exec -a vellipo '$program' -i 1
EOF
chmod +x "$work/run"

header="     #               Uptime | System                                     Boot up"

if ! tmux_ new-session -d -x 80 -y 30 -s follow "$work/run" \; set-option -g status off; then
	echo "tmux could not start"
	exit 1
fi
socket_path=$(tmux_ display-message -p '#{socket_path}')
size=$(tmux_ display-message -p -t follow '#{pane_width}x#{pane_height}')
if [ "$size" != 80x30 ]; then
	echo "the pane is $size, not 80x30"
	exit 1
fi

# Polls the pane for at most 12 seconds.  A screen counts once it is whole
# (its last line, the availability, is drawn); the rest are mid-redraw.
first_position=
last_position=
screens=0
deadline=$((SECONDS + 12))
while [ "$SECONDS" -lt "$deadline" ]; do
	screen=$(tmux_ capture-pane -p -t follow) || {
		echo "the pane is gone: the program ended"
		exit 1
	}
	if grep -q '^   %up ' <<<"$screen"; then
		screens=$((screens + 1))
		line1=$(head -n 1 <<<"$screen")
		headers=$(grep -cxF "$header" <<<"$screen")
		position=$(sed -n 's/^-> *\([0-9][0-9]*\) .*/\1/p' <<<"$screen")
		if [ "$line1" != "$header" ] || [ "$headers" != 1 ] || [ -z "$position" ]; then
			echo "the screen is not one report drawn from the top:"
			printf '%s\n' "$screen"
			exit 1
		fi
		[ -z "$first_position" ] && first_position=$position
		last_position=$position
		if [ "$position" -lt "$first_position" ]; then
			echo "the current entry climbed from position $first_position to $position" \
				"in $screens whole screens, redrawn in place"
			exit 0
		fi
	fi
	sleep 0.1
done
echo "after 12 seconds and $screens whole screens the current entry is still at" \
	"position ${last_position:-(none seen)}, first seen at ${first_position:-(none)}"
printf '%s\n' "${screen:-}"
exit 1
