#!/usr/bin/env bash
# The web page with the picture of the history: corvane-record --svg draws
# it into the document root, a real web server (lighttpd on a loopback
# port) serves it as image/svg+xml beside the CGI page, whose sample header
# (examples/vellipo.header) shows it; headless Chromium renders the whole
# page in each layout (table, list, pre), and the picture's pixels (its
# running bar and a clean one) are found above the report's text (the
# running entry's colour).  The page is still byte for byte what the
# program prints.
#
#   cgi_picture_test.sh PROGRAM DOUBLE_DIR RECORDER
#
# With VELLIPO_SHOTS set to a folder, the screenshots are kept there, and
# pages of made-up stores of 20 and 1,000 boots are shot too
# (page-LAYOUT-BOOTS.png).  Exits 77 (skipped; a failure under CI) when
# lighttpd, curl, chromium or python3 is not installed.
set -u
program=$1
double=$(cd "$2" && pwd)
recorder=$3
here=$(cd "$(dirname "$0")" && pwd)
examples="$here/../examples"
pixels="$here/png_pixels.py"

lighttpd=$(PATH="$PATH:/usr/sbin:/usr/local/sbin" command -v lighttpd)
chromium=$(command -v chromium || command -v chromium-browser)
. "$here/skip.sh"
if [ -z "$lighttpd" ] || [ -z "$chromium" ] || ! command -v curl >/dev/null ||
	! command -v python3 >/dev/null; then
	skip_test "lighttpd, chromium, curl or python3 is not installed: the picture's web test is skipped"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-picture.XXXXXX") || exit 2
# shellcheck source=tests/lighttpd.sh
. "$here/lighttpd.sh"

# The document root holds the program as vellipo.cgi, its etc/vellipo-cgi/
# (the test build reads its files below its working folder) with the sample
# files, and the picture where the sample header's <img> finds it.
docroot="$work/htdocs"
etc="$docroot/etc/vellipo-cgi"
mkdir -p "$etc" "$docroot/vellipo" || exit 2
cp "$program" "$docroot/vellipo.cgi" || exit 2
chmod 755 "$docroot/vellipo.cgi"
cp "$examples/vellipo.header" "$examples/vellipo.footer" "$examples/vellipo.conf" "$etc/" || exit 2
grep -q '<img src="/vellipo/history.svg"' "$etc/vellipo.header" ||
	fail "the sample header does not show /vellipo/history.svg"

# The running boot has been up a week, so that its bar is wide.
records="$work/records"
cgi_env=(
	"LD_LIBRARY_PATH=$double"
	"CORVANE_RECORDS=$records"
	"TZ=UTC"
	"LC_ALL=C"
	"CORVANE_TEST_UPTIME=604800"
	"CORVANE_TEST_BOOT=1702400000"
	"CORVANE_TEST_SYSINFO=Linux 6.1.0-test"
)

# draw STORE: the store copied to $records, recorded by corvane-record (the
# running boot added) and drawn into the document root.
draw() {
	cp "$1" "$records" || exit 2
	rm -f "$records.ends"
	[ -f "$1.ends" ] && cp "$1.ends" "$records.ends"
	env "${cgi_env[@]}" "$recorder" -f "$records" --svg="$docroot/vellipo/history.svg" ||
		fail "corvane-record could not draw the picture"
}
draw "$here/fixtures/web.records"

start_lighttpd '"mod_setenv", "mod_cgi", "mod_staticfile"' 'mimetype.assign = (".svg" => "image/svg+xml", ".html" => "text/html")'
base="http://127.0.0.1:$port"

# The picture as the server serves it: the file's bytes, as image/svg+xml.
curl -sS --max-time 20 -D "$work/svg-headers" -o "$work/served.svg" "$base/vellipo/history.svg" ||
	fail "curl could not fetch the picture"
head -n 1 "$work/svg-headers" | grep -q '^HTTP/[0-9.]* 200' ||
	fail "the picture's status: $(head -n 1 "$work/svg-headers")"
tr -d '\r' <"$work/svg-headers" | grep -qi '^content-type: image/svg+xml$' ||
	fail "the picture is not served as image/svg+xml"
cmp -s "$work/served.svg" "$docroot/vellipo/history.svg" || fail "the served picture differs from the file"

# box FILE COLOUR: "X0 Y0 X1 Y1 N" of the pixels of that colour, or "none".
box() {
	python3 "$pixels" "$1" --find "$2"
}

# shoot LAYOUT PNG: the page in that layout, fetched by curl (compared with
# the program's own output) and rendered by Chromium into PNG.
shoot() {
	sed -i "s/^LAYOUT=.*/LAYOUT=$1/" "$etc/vellipo.conf"
	(cd "$docroot" && exec env -i "${cgi_env[@]}" ./vellipo.cgi) </dev/null |
		tail -c +"$(($(printf 'Content-type: text/html\n\n' | wc -c) + 1))" >"$work/want-body" ||
		fail "$1: the program failed when run directly"
	curl -sS --max-time 20 -o "$work/body" "$base/vellipo.cgi" || fail "$1: curl could not fetch the page"
	cmp -s "$work/body" "$work/want-body" || fail "$1: the page differs from what the program prints"
	rm -rf "$work/profile"
	timeout 90 "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars \
		--no-first-run --user-data-dir="$work/profile" --window-size=1000,1150 \
		--screenshot="$2" "$base/vellipo.cgi" >"$work/chromium.log" 2>&1 ||
		fail "$1: chromium failed: $(tail -3 "$work/chromium.log")"
	[ -s "$2" ] || fail "$1: chromium wrote no screenshot"
}

for layout in table list pre; do
	shot="$work/page-$layout.png"
	shoot "$layout" "$shot"
	# The picture: its running bar (bluish green) and its clean bars (blue);
	# the report's running entry, bold in dark red (the sample's style).
	read -r rx0 ry0 rx1 ry1 rn <<<"$(box "$shot" 009e73)"
	[ "$rx0" != none ] && [ "$((rx1 - rx0))" -ge 5 ] && [ "$((ry1 - ry0))" -ge 15 ] ||
		fail "$layout: no running bar of the picture on the page ($rx0 $ry0 $rx1 $ry1 ${rn:-})"
	read -r bx0 by0 bx1 by1 _ <<<"$(box "$shot" 0072b2)"
	[ "$bx0" != none ] && [ "$((bx1 - bx0))" -ge 50 ] ||
		fail "$layout: no clean bar of the picture on the page"
	read -r tx0 ty0 _ _ tn <<<"$(box "$shot" 9a1b0f)"
	[ "$tx0" != none ] || fail "$layout: the report's running entry is not on the page"
	[ "$by1" -lt "$ty0" ] && [ "$ry1" -lt "$ty0" ] ||
		fail "$layout: the picture (down to y $by1) is not above the report's text (from y $ty0)"
	echo "ok: $layout: the picture at y $by0-$by1, the report's running entry from y $ty0 ($tn pixels)"
	[ -n "${VELLIPO_SHOTS:-}" ] && cp "$shot" "$VELLIPO_SHOTS/page-$layout.png"
done

# Made-up stores of 20 and 1,000 boots, for the screenshots alone: boots
# over the 120 or 150 days before the running one, each of 30 to 100% of
# its share of the time, one in seven ended uncleanly, one in five of
# unknown end.
if [ -n "${VELLIPO_SHOTS:-}" ]; then
	for boots in 20 1000; do
		awk -v n="$boots" -v end=1702400000 -v ends="$work/made.records.ends" 'BEGIN {
			srand(7); span = (n == 20 ? 120 : 150) * 86400; period = span / n
			t = end - span
			for (i = 0; i < n; i++) {
				up = int(period * (0.3 + 0.7 * rand())); start = int(t)
				printf "%d:%d:Linux 6.1.0-%d-amd64\n", up, start, 10 + int(i * 20 / n)
				if (i % 7 == 3) print start " unclean" > ends
				else if (i % 5 != 1) print start " clean" > ends
				t += period
			}
		}' >"$work/made.records"
		draw "$work/made.records"
		for layout in table list pre; do
			shoot "$layout" "$VELLIPO_SHOTS/page-$layout-$boots.png"
		done
		cp "$docroot/vellipo/history.svg" "$VELLIPO_SHOTS/history-$boots.svg"
	done
fi
echo "ok: lighttpd on 127.0.0.1:$port served the page with the picture"
exit 0
