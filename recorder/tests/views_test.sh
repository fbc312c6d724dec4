#!/usr/bin/env bash
# The history as users ask for it, read and written nothing: --export as CSV
# and JSON Lines read back by clients nobody here wrote (Python's csv and
# json modules, jq) with exactly the values of the store, for system texts
# that hold commas, quotes, backslashes, tabs, control bytes and bytes that
# are not UTF-8; --since and --until, whose ranges cut the boots at their
# edges; --status, whole, over one range; and --check, whole, with its exit
# status for each kind of doubtful record.
#
# Run by CTest with RECORDER and DOUBLE_DIR in the environment; the recorder
# runs against the test double of the records library.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work views
use_double
export LC_ALL=C TZ=UTC
command -v jq >/dev/null || skip_test "jq is not installed (apt-get install jq)"
command -v python3 >/dev/null || skip_test "python3 is not installed (apt-get install python3)"

# The running boot of every run: booted 2026-12-01 00:00:00 UTC, up a day.
export CORVANE_TEST_BOOT=1796083200 CORVANE_TEST_UPTIME=86400 CORVANE_TEST_BOOT_ID=5b4c-run
export CORVANE_TEST_SYSINFO='Linux 6.12, "now"'
unset CORVANE_TEST_CONTAINER

# --- export: the clients read back the store's values -------------------------
store="$work/records"
{
	printf '# a comment, kept and not exported\n'
	printf '3600:1793491200:Linux a,b "quoted" back\\slash\ttab\n'
	printf '7200:1793500000:ctl \001\002\033[1m esc\177 del\n'
	printf '100:1793600000:latin-1 caf\351, \377 and a broken \342\202 sequence\n'
	printf '500:1793700000:valid caf\303\251 \342\202\254 and a CR\r mid-text\n'
	printf '50:1793800000:\n'
	printf '9999:1793900000:%s\n' "$(printf 'x%.0s' $(seq 300))"
} >"$store"
printf '1793491200 clean\n1793500000 unclean\n' >"$store.ends"
cp "$store" "$work/store.before"

for format in csv json; do
	"$RECORDER" -f "$store" --export=$format >"$work/export.$format" 2>"$work/err"
	status=$?
	[ "$status" = 0 ] && [ ! -s "$work/err" ] || fail "--export=$format: status $status, $(cat "$work/err")"
done
cmp -s "$store" "$work/store.before" || fail "--export changed the store"
# shellcheck disable=SC2012 # names of the test's own making
[ "$(ls -A "$work" | tr '\n' ' ')" = "err export.csv export.json records records.ends store.before " ] ||
	fail "--export left files: $(ls -A "$work")"

# The store's own values, read from its bytes by Python, against what the
# CSV reader, the JSON reader and jq make of the exports.
python3 - "$store" "$work/export.csv" "$work/export.json" <<'PYTHON' || fail "the clients read other values than the store's"
import csv, datetime, json, os, subprocess, sys

store, csv_path, json_path = sys.argv[1:]
ends = {"1793491200": "clean", "1793500000": "unclean"}
want = []
for line in open(store, "rb").read().split(b"\n"):
    if not line or line.startswith(b"#"):
        continue
    up, boot, text = line.split(b":", 2)
    want.append({"start": int(boot), "uptime": int(up), "system": text[:256],
                 "ended": ends.get(boot.decode(), "unknown"), "boot_id": None, "source": None})
run = int(os.environ["CORVANE_TEST_BOOT"])
want.append({"start": run, "uptime": int(os.environ["CORVANE_TEST_UPTIME"]),
             "system": os.environ["CORVANE_TEST_SYSINFO"].encode(), "ended": "running",
             "boot_id": "5b4c-run", "source": "recorder"})
previous_end = None
for w in want:
    w["end"] = w["start"] + w["uptime"]
    w["downtime"] = 0 if previous_end is None else max(0, w["start"] - previous_end)
    previous_end = w["end"]

def utc(t):
    return datetime.datetime.fromtimestamp(t, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")

bad = []
def same(kind, i, name, got, expected):
    if got != expected:
        bad.append(f"{kind} row {i} {name}: {got!r}, expected {expected!r}")

# CSV: the bytes as stored, read back through Latin-1, which maps each byte
# to one character and back.
with open(csv_path, encoding="latin-1", newline="") as f:
    rows = list(csv.reader(f, strict=True))
same("csv", 0, "header", rows[0], ["boot_id", "start", "start_utc", "end", "end_utc", "uptime",
                                   "downtime", "ended", "system", "source", "suspended"])
same("csv", 0, "rows", len(rows) - 1, len(want))
for i, (row, w) in enumerate(zip(rows[1:], want), 1):
    for name, got, expected in [
        ("boot_id", row[0], w["boot_id"] or ""), ("start", row[1], str(w["start"])),
        ("start_utc", row[2], utc(w["start"])), ("end", row[3], str(w["end"])),
        ("end_utc", row[4], utc(w["end"])), ("uptime", row[5], str(w["uptime"])),
        ("downtime", row[6], str(w["downtime"])), ("ended", row[7], w["ended"]),
        ("system", row[8].encode("latin-1"), w["system"]), ("source", row[9], w["source"] or ""),
        ("suspended", row[10], "")]:
        same("csv", i, name, got, expected)

# JSON Lines: a byte that is not part of valid UTF-8 is U+FFFD, as Python's
# "replace" decodes it.
objects = [json.loads(line) for line in open(json_path, encoding="utf-8")]
same("json", 0, "rows", len(objects), len(want))
for i, (o, w) in enumerate(zip(objects, want), 1):
    expected = dict(w, system=w["system"].decode("utf-8", "replace"), start_utc=utc(w["start"]),
                    end_utc=utc(w["end"]), suspended=None)
    same("json", i, "object", o, expected)

# jq reads every line too, and gives each system text back as its bytes.
texts = subprocess.run(["jq", "-j", '.system + "\\u0000"', json_path], check=True,
                       capture_output=True).stdout.split(b"\0")[:-1]
same("jq", 0, "system texts", texts,
     [w["system"].decode("utf-8", "replace").encode("utf-8") for w in want])
for b in bad:
    print("FAIL:", b)
sys.exit(1 if bad else 0)
PYTHON

# The first lines, whole: CSV's CRLF line ends and quotes, JSON's escapes.
head -3 "$work/export.csv" >"$work/head.csv"
printf '%s\r\n' 'boot_id,start,start_utc,end,end_utc,uptime,downtime,ended,system,source,suspended' \
	",1793491200,2026-11-01T00:00:00Z,1793494800,2026-11-01T01:00:00Z,3600,0,clean,\"Linux a,b \"\"quoted\"\" back\\slash	tab\",," \
	",1793500000,2026-11-01T02:26:40Z,1793507200,2026-11-01T04:26:40Z,7200,5200,unclean,ctl $(printf '\001\002\033')[1m esc$(printf '\177') del,," \
	>"$work/head.expected"
cmp -s "$work/head.csv" "$work/head.expected" || fail "the CSV's first lines: $(od -c "$work/head.csv" | head -20)"
sed -n 2p "$work/export.json" >"$work/line.json"
# shellcheck disable=SC2016 # the JSON's own backslashes
printf '%s\n' '{"boot_id":null,"start":1793500000,"start_utc":"2026-11-01T02:26:40Z","end":1793507200,"end_utc":"2026-11-01T04:26:40Z","uptime":7200,"downtime":5200,"ended":"unclean","system":"ctl \u0001\u0002\u001b[1m esc'"$(printf '\177')"' del","source":null,"suspended":null}' >"$work/line.expected"
cmp -s "$work/line.json" "$work/line.expected" || fail "the JSON's second line: $(cat "$work/line.json")"

# --- ranges: the boots cut at the edges ------------------------------------------
# Each range, the first and last rows' start and end and the rows' uptime +
# downtime (jq), for ranges that start inside a boot, in a gap, at a boot's
# start, or end after now (the running boot's end): from the range's start
# to the last row's end, uptime and downtime add up to the time between.
cases=(
	"--since=2026-11-01 00:30|--until=2026-11-01T03:26:40Z|1793493000 1793494800 1793500000 1793503600 10600"
	"--since=@1793550000|--until=2026-11-06|1793600000 1793600100 1793900000 1793909999 359999"
	"--since=2026-12-01T12:00:00+12:00|--until=@1900000000|1796083200 1796169600 1796083200 1796169600 86400"
	"--since=2026-11-30 23:00|--until=2026-12-01T00:00:00-01:00|1796083200 1796086800 1796083200 1796086800 7200"
)
for case in "${cases[@]}"; do
	IFS='|' read -r since until want <<<"$case"
	for format in csv json; do
		"$RECORDER" -f "$store" --export=$format "$since" "$until" >"$work/range.$format" 2>"$work/err" ||
			fail "$since $until: $(cat "$work/err")"
	done
	got=$(jq -rs '"\(.[0].start) \(.[0].end) \(.[-1].start) \(.[-1].end) \(map(.uptime + .downtime) | add)"' "$work/range.json")
	[ "$got" = "$want" ] || fail "$since $until: $got, expected $want"
	# The CSV holds the same rows.
	rows=$(python3 -c 'import csv, sys; print(len(list(csv.reader(open(sys.argv[1], newline="", encoding="latin-1")))) - 1)' "$work/range.csv")
	[ "$rows" = "$(wc -l <"$work/range.json")" ] || fail "$since $until: $rows CSV rows"
done

# A date without an offset is local time: midnight in New York, still on
# summer time on 2026-11-01, is 04:00 UTC.
TZ=America/New_York "$RECORDER" -f "$store" --export=json --since=2026-11-01 --until=2026-11-01T06:00:00Z |
	jq -r '"\(.start) \(.end)"' >"$work/out"
printf '1793505600 1793507200\n' | cmp -s - "$work/out" || fail "local time: $(cat "$work/out")"

# --- --status over one range, whole ------------------------------------------------
"$RECORDER" -f "$store" --status --since=2026-11-01 --until=2026-11-02 >"$work/status" 2>"$work/err"
status=$?
cat >"$work/status.expected" <<EXPECTED
store           $store
boots           2 on record since 2026-11-01 00:00:00
ends            1 clean, 1 unclean, 0 unknown, 0 running
longest uptime  0 days, 02:00:00, booted 2026-11-01 02:26:40
running boot    none in this range
downtime        0 days, 01:26:40 in all
availability    67.500%
range           2026-11-01 00:00:00 to 2026-11-02 00:00:00: up 0 days, 03:00:00, down 0 days, 21:00:00, availability 12.500%
last 30 days    up 1 day, 02:57:29, down 28 days, 21:02:31, availability 3.744%
last 90 days    up 1 day, 05:57:29, down 29 days, 18:02:31, availability 4.027%
last 365 days   up 1 day, 05:57:29, down 29 days, 18:02:31, availability 4.027%
startups        2; shutdowns 1 clean, 1 unclean, 0 unknown, 0 still running
mean uptime     0 days, 01:30:00, longest 0 days, 02:00:00
mean downtime   0 days, 01:26:40, longest 0 days, 01:26:40

boots  clean  unclean  unknown  longest uptime    average uptime    total uptime      available  system
    1      1        0        0  0 days, 01:00:00  0 days, 01:00:00  0 days, 01:00:00    40.909%  Linux a,b "quoted" back\slash?tab
    1      0        1        0  0 days, 02:00:00  0 days, 02:00:00  0 days, 02:00:00   100.000%  ctl ???[1m esc? del

check           nothing doubtful in 7 records
EXPECTED
[ "$status" = 0 ] && cmp -s "$work/status" "$work/status.expected" || {
	fail "--status over a range: status $status, $(cat "$work/err")"
	diff "$work/status.expected" "$work/status"
}

# --- --check: each kind of doubtful record, and the container -----------------------
# Each case: the store's lines (split at |), the container's sign ("" for
# none), the exit status and the output, whole, split at ;.
check_cases=(
	"3600:1793491200:a|3600:1793500000:b;;0;nothing doubtful in 3 records"
	"3600:1793491200:a|60:1793494700:b;;2;1 doubtful record of 3
boot of 2026-11-01 00:58:20 starts 0 days, 00:01:40 before the boot before it ended: they overlap"
	"3600:1793491200:a|60:1793494800:b;;2;1 doubtful record of 3
boot of 2026-11-01 01:00:00 starts the second the boot before it ended: no downtime at all"
	"10:900000000:a|3600:1793491200:b;;2;1 doubtful record of 3
boot of 1998-07-09 16:00:00 is dated before 2000: the clock was not set yet"
	"100:1793491200:a|200:1793491250:b|10:1793491300:c;;2;3 doubtful records of 4
boot of 2026-11-01 00:00:50 starts 0 days, 00:00:50 before the boot before it ended: they overlap
boot of 2026-11-01 00:00:50 lasts 0 days, 00:03:20, longer than the 0 days, 00:00:00 from the end of the boot before it to the start of the one after it
boot of 2026-11-01 00:01:40 starts 0 days, 00:02:30 before the boot before it ended: they overlap"
	"3600:1793491200:a;/.dockerenv;2;nothing doubtful in 2 records
this run is inside a container (/.dockerenv): the running boot's id and uptime are the host's"
)
for case in "${check_cases[@]}"; do
	IFS=";" read -r lines sign want_status _ <<<"$case"
	want=${case#*;*;*;}
	tr '|' '\n' <<<"$lines" >"$work/check-store"
	CORVANE_TEST_CONTAINER=$sign "$RECORDER" -f "$work/check-store" --check >"$work/out" 2>"$work/err"
	status=$?
	[ "$status" = "$want_status" ] && [ "$(cat "$work/out")" = "$want" ] && [ ! -s "$work/err" ] ||
		fail "--check of $lines: status $status, $(cat "$work/out" "$work/err")"
done
# The section of --status says the same.
CORVANE_TEST_CONTAINER=/.dockerenv "$RECORDER" -f "$work/check-store" --status | tail -2 >"$work/out"
printf '%s\n' "check           nothing doubtful in 2 records" \
	"  this run is inside a container (/.dockerenv): the running boot's id and uptime are the host's" |
	cmp -s - "$work/out" || fail "the check in --status: $(cat "$work/out")"

# --- bad dates and ranges: one message, status 1 -----------------------------------
errors=(
	"--since=2026-02-30|corvane-record: --since: there is no such day or time as '2026-02-30'"
	"--until=next week|corvane-record: --until: cannot read the date 'next week': give YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS], ISO 8601 with an offset (2026-11-01T08:00:00+01:00) or @SECONDS"
	"--since=@200|corvane-record: --since must be before --until"
	"--since=@1|corvane-record: no boot of $store falls since @1 until @100"
)
for case in "${errors[@]}"; do
	IFS='|' read -r option want <<<"$case"
	"$RECORDER" -f "$store" --status "$option" --until=@100 >"$work/out" 2>&1
	status=$?
	[ "$status" = 1 ] && [ "$(cat "$work/out")" = "$want" ] || fail "$option: status $status, $(cat "$work/out")"
done
"$RECORDER" -f "$store" --export=csv --since=@1 --until=@100 >"$work/out" 2>&1
[ "$(cat "$work/out")" = "$(printf 'boot_id,start,start_utc,end,end_utc,uptime,downtime,ended,system,source,suspended\r')" ] ||
	fail "an export of an empty range: $(cat "$work/out")"

exit "$failed"
