#!/usr/bin/env bash
# Serves the test build of vellipo as a CGI program from a real web server
# (lighttpd with mod_cgi, on a loopback port) and checks the page a client
# gets: status 200, an HTML content type, and a body that is the header file,
# the report and the footer file, byte for byte what the program prints after
# its response header.
#
#   cgi_server_test.sh PROGRAM DOUBLE_DIR
#
# Exits 77 (skipped; a failure under CI) when lighttpd or curl is not
# installed.
set -u
program=$1
double=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
examples="$here/../examples"

lighttpd=$(PATH="$PATH:/usr/sbin:/usr/local/sbin" command -v lighttpd)
. "$here/skip.sh"
if [ -z "$lighttpd" ] || ! command -v curl >/dev/null; then
	skip_test "lighttpd or curl is not installed: the web server test is skipped"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-cgi.XXXXXX") || exit 2
# shellcheck source=tests/lighttpd.sh
. "$here/lighttpd.sh"

# The document root holds the program as vellipo.cgi.  lighttpd starts a CGI
# program in the folder that holds it, and the test build reads its files
# below its working folder, so its etc/vellipo-cgi/ lies in the document root
# too.  The sample files are used where they exist.
docroot="$work/htdocs"
etc="$docroot/etc/vellipo-cgi"
mkdir -p "$etc" || exit 2
cp "$program" "$docroot/vellipo.cgi" || exit 2
chmod 755 "$docroot/vellipo.cgi"
if [ -f "$examples/vellipo.header" ] && [ -f "$examples/vellipo.footer" ] &&
	[ -f "$examples/vellipo.conf" ]; then
	cp "$examples/vellipo.header" "$examples/vellipo.footer" "$examples/vellipo.conf" "$etc/"
else
	printf '<html>\n<head><title>Uptime records</title></head>\n<body>\n' >"$etc/vellipo.header"
	printf '</body>\n</html>\n' >"$etc/vellipo.footer"
	printf 'LAYOUT=table\n' >"$etc/vellipo.conf"
fi

# The test double's settings: the running boot's uptime, 4401 seconds, shows
# as "0 days, 01:13:21" only when the program ran with the double and these
# variables; the store's longest boot ran the system named in stored_text.
records="$here/fixtures/web.records"
[ -f "$records" ] || fail "no records store at $records"
uptime_text="0 days, 01:13:21"
stored_text="Linux 6.1.0-13-amd64 #1"
cgi_env=(
	"LD_LIBRARY_PATH=$double"
	"CORVANE_RECORDS=$records"
	"TZ=UTC"
	"LC_ALL=C"
	"CORVANE_TEST_UPTIME=4401"
	"CORVANE_TEST_BOOT=1702400000"
	"CORVANE_TEST_SYSINFO=Linux 6.1.0-test"
)

# The page the program itself prints, run the way the server runs it.
(cd "$docroot" && exec env -i "${cgi_env[@]}" ./vellipo.cgi) >"$work/direct" </dev/null ||
	fail "the program failed when run directly"
printf 'Content-type: text/html\n\n' >"$work/response-header"
head_size=$(wc -c <"$work/response-header")
cmp -s -n "$head_size" "$work/direct" "$work/response-header" ||
	fail "the program's own output does not start with its response header"
tail -c +"$((head_size + 1))" "$work/direct" >"$work/want-body"

start_lighttpd '"mod_setenv", "mod_cgi"'

curl -sS --max-time 20 -D "$work/headers" -o "$work/body" "http://127.0.0.1:$port/vellipo.cgi" ||
	fail "curl could not fetch the page"
tr -d '\r' <"$work/headers" >"$work/headers.txt"

head -n 1 "$work/headers.txt" | grep -q '^HTTP/[0-9.]* 200' ||
	fail "status: $(head -n 1 "$work/headers.txt")"
grep -qi '^content-type: text/html$' "$work/headers.txt" ||
	fail "no Content-Type text/html in: $(cat "$work/headers.txt")"

header_size=$(wc -c <"$etc/vellipo.header")
footer_size=$(wc -c <"$etc/vellipo.footer")
cmp -s -n "$header_size" "$work/body" "$etc/vellipo.header" ||
	fail "the page does not start with the header file"
tail -c "$footer_size" "$work/body" | cmp -s - "$etc/vellipo.footer" ||
	fail "the page does not end with the footer file"
grep -q "$uptime_text" "$work/body" ||
	fail "the running boot's uptime ($uptime_text) is missing: the program did not run with the test double's settings"
grep -q "$stored_text" "$work/body" || fail "the stored records are missing from the page"
if grep -q '^<table border=1>$' "$work/body"; then
	grep -q "^<td><b>$uptime_text</b></td>\$" "$work/body" && grep -q '^</table>$' "$work/body" ||
		fail "the table report lacks the current entry's row or its end"
else
	grep -q '^<pre>$' "$work/body" && grep -q '^</pre>$' "$work/body" ||
		fail "the page holds neither a table nor a pre report"
fi
cmp -s "$work/body" "$work/want-body" || {
	diff <(cat -A "$work/want-body") <(cat -A "$work/body")
	fail "the page differs from what the program prints after its response header"
}
echo "ok: lighttpd on 127.0.0.1:$port served the page"
exit 0
