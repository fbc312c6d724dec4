#!/usr/bin/env bash
# The picture of the history (--svg): written whole beside the store's run,
# never by a dry run nor into a missing folder, well formed for a store of
# hostile system texts (xmllint), and drawn by a real renderer
# (rsvg-convert): its pixels are checked where the fixture puts a clean
# boot, a gap, an unclean end, the running boot and a day down.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; exits 77
# (skipped) when xmllint, rsvg-convert or python3 is missing, except under CI.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work svg
use_double
export LC_ALL=C TZ=UTC
pixels="$(dirname "$0")/../../tests/png_pixels.py"
for tool in xmllint rsvg-convert python3; do
	command -v "$tool" >/dev/null || skip_test "$tool is missing (libxml2-utils, librsvg2-bin, python3)"
done

# The fixture: now is 2026-12-11 12:00:00 UTC, and the picture's 90 days
# start at from, 2026-09-13 (x = 30 + 10 units a day).
now=1796990400
from=1789257600
day=86400
running=$((from + 80 * day + 7200))
export CORVANE_TEST_NOW=$now CORVANE_TEST_BOOT=$running CORVANE_TEST_UPTIME=$((now - running))
store="$work/records"
{
	echo "$((20 * day)):$((from + 2 * day)):Linux 6.1.0-28-amd64"
	echo "$((15 * day)):$((from + 22 * day + 60)):Linux 6.1.0-28-amd64"
	echo "$((6 * 3600)):$((from + 40 * day)):Linux 6.1.0-28-amd64"
	echo "$((30 * day + 3600)):$((from + 50 * day)):Linux 6.1.0-28-amd64"
} >"$store"
printf '%s clean\n%s unclean\n%s clean\n' $((from + 2 * day)) $((from + 22 * day + 60)) \
	$((from + 50 * day)) >"$store.ends"

# --- the file ---------------------------------------------------------------
"$RECORDER" -f "$store" --svg="$work/web/history.svg" >"$work/out" 2>&1
[ "$?" = 1 ] && [ "$(cat "$work/out")" = "corvane-record: cannot write $work/web/history.svg: its folder $work/web: No such file or directory" ] ||
	fail "a missing folder: $(cat "$work/out")"
[ "$(wc -l <"$store")" = 4 ] || fail "a run with a missing picture folder wrote the store"
mkdir "$work/web"
"$RECORDER" -n -f "$store" --svg="$work/web/history.svg" >/dev/null || fail "the dry run failed"
[ -e "$work/web/history.svg" ] && fail "the dry run drew the picture"
"$RECORDER" -f "$store" --svg="$work/web/history.svg" || fail "the run failed"
files=$(find "$work/web" -mindepth 1 -printf '%f ')
[ "$files" = "history.svg " ] || fail "the folder holds $files"
xmllint --noout "$work/web/history.svg" || fail "the picture is not well formed"
grep -q 'drawn 2026-12-11 12:00:00 UTC' "$work/web/history.svg" || fail "the picture does not say when it was drawn"
grep -q "<tspan class=\"host\">$(hostname | sed 's/&/\&amp;/g; s/</\&lt;/g')</tspan>" "$work/web/history.svg" ||
	fail "the picture does not name the host"

# --- a real renderer --------------------------------------------------------
rsvg-convert -o "$work/history.png" "$work/web/history.svg" || fail "rsvg-convert failed"
[ "$(python3 "$pixels" "$work/history.png" --size)" = "960 210" ] || fail "the PNG is not 960 by 210"
# expect WHAT X,Y COLOUR: the pixel there is of that colour.
expect() {
	local got
	got=$(python3 "$pixels" "$work/history.png" "$2")
	[ "${got#* }" = "$3" ] || fail "$1 at $2 is ${got#* }, expected $3"
}
expect "the clean boot's bar" 150,65 0072b2
expect "the gap after the unclean end" 415,65 e69f00
expect "the running boot's bar" 878,65 009e73
expect "a day up" 155,135 0072b2
expect "a day down" 415,135 e69f00
expect "the empty row above the bars" 150,38 ffffff
# The unclean boot's bar (x 250 to 401) is hatched: reddish purple (a
# renderer may mix the pattern's colours a little) and black stripes both,
# and its mark stands over its end.
hatch=$(for x in 320 321 322 323 324 325; do echo "$x,65"; done)
# shellcheck disable=SC2086 # one point a word
python3 "$pixels" "$work/history.png" $hatch >"$work/hatch"
python3 -c '
import sys
rgb = [bytes.fromhex(line.split()[1]) for line in open(sys.argv[1])]
purple = any(r > g + 50 and b > g + 30 for r, g, b in rgb)
black = any(max(c) < 40 for c in rgb)
sys.exit(0 if purple and black else 1)' "$work/hatch" ||
	fail "the unclean bar is not hatched: $(tr '\n' ' ' <"$work/hatch")"
expect "the unclean end's mark" 400,49 000000

# --- system texts that break markup -----------------------------------------
printf '%s\n' "3600:$((from + 3 * day)):Linux <6.1> & \"q\" ]]> $(printf '\377\376\001')" >"$work/hostile"
"$RECORDER" -f "$work/hostile" --svg="$work/web/hostile.svg" || fail "the run on hostile texts failed"
xmllint --noout "$work/web/hostile.svg" || fail "hostile system texts break the picture"
grep -q 'Linux &lt;6.1&gt; &amp; &quot;q&quot; ]]&gt; ' "$work/web/hostile.svg" ||
	fail "the system text is not escaped"

[ "$failed" = 0 ] && echo "svg: all passed"
exit "$failed"
