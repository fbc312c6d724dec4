#!/usr/bin/env bash
# An import from the three history sources at once, made with their own
# tools: a journal file (systemd-journal-remote), a login database (the
# sqlite3 shell) and a login accounting file; the merged boots in the store
# and the summary, whole, and a second import that adds nothing.
#
# Run by CTest with RECORDER, DOUBLE_DIR and WTMP_WRITER in the environment;
# exits 77 (skipped) when a tool is missing or the recorder was built without
# the two sources, except under CI, where either is a failure.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work sources
use_double
export LC_ALL=C
export CORVANE_TEST_BOOT=1700100000 CORVANE_TEST_UPTIME=3600 CORVANE_TEST_SYSINFO="Linux 6.1.0-test"

journal_remote=
for path in /usr/lib/systemd/systemd-journal-remote /lib/systemd/systemd-journal-remote; do
	[ -x "$path" ] && journal_remote=$path && break
done
if [ -z "$journal_remote" ] || ! command -v sqlite3 >/dev/null; then
	skip_test "systemd-journal-remote or sqlite3 is missing"
fi
if "$RECORDER" -n -f "$work/probe" --journal="$work/none" --wtmpdb="$work/none" 2>&1 |
	grep -q "built without"; then
	# A build without them is a build that lacks part of the product: under
	# CI, where every library is installed, it fails.
	skip_test "this corvane-record reads neither the journal nor the login database"
fi

# entry BOOT_ID REALTIME MONOTONIC [FIELD...]: an entry in the export format,
# times in seconds.
entry() {
	printf '__REALTIME_TIMESTAMP=%s000000\n__MONOTONIC_TIMESTAMP=%s000000\n_BOOT_ID=%s\n' "$2" "$3" "$1"
	shift 3
	printf '%s\n' "MESSAGE=up" "$@"
	echo
}
a=0a1b2c3d4e5f60718293a4b5c6d7e8f9 b=1b2c3d4e5f60718293a4b5c6d7e8f90a c=2c3d4e5f60718293a4b5c6d7e8f90a1b
shutdown=MESSAGE_ID=98268866d1d54a499c4e98921d93bc40
{
	# A boot that the login database knows longer.
	entry $a 1700000001 1 _TRANSPORT=kernel "MESSAGE=Linux version 6.1.0-28-amd64 #1"
	entry $a 1700003600 3600 $shutdown
	# A boot that the journal knows longest.
	entry $b 1700010002 2 _TRANSPORT=kernel "MESSAGE=Linux version 6.1.0-29-amd64 #1"
	entry $b 1700011000 1000 $shutdown
	# The running boot.
	entry $c 1700100001 1
	entry $c 1700103000 3000
} | "$journal_remote" -o "$work/system.journal" - 2>/dev/null || fail "systemd-journal-remote"

sqlite3 "$work/wtmp.db" <<'SQL' || fail "sqlite3"
CREATE TABLE IF NOT EXISTS wtmp(ID INTEGER PRIMARY KEY, Type INTEGER, User TEXT NOT NULL, Login INTEGER, Logout INTEGER, TTY TEXT, RemoteHost TEXT, Service TEXT) STRICT;
INSERT INTO wtmp (Type,User,Login,Logout,TTY,RemoteHost,Service) VALUES
 (1,'reboot',1700000030000000,1700004030000000,'~','6.1.0-28-amd64',NULL),
 (1,'reboot',1700050000000000,1700050500000000,'~','6.1.0-29-amd64',NULL);
SQL

"$WTMP_WRITER" "$work/wtmp" boot:1700010020:6.1.0-29-amd64 shutdown:1700010900 \
	boot:1700100010:6.1.0-30-amd64

store=$work/records
sources=(--journal="$work/system.journal" --wtmpdb="$work/wtmp.db" --wtmp="$work/wtmp")
summary() {
	echo "imported $1 from $work/system.journal, $2 already recorded, skipped 0 that could not be bounded;" \
		"imported $3 from $work/wtmp.db, $4 already recorded, skipped 0 that could not be bounded;" \
		"imported $5 from $work/wtmp, $6 already recorded, skipped 0 that could not be bounded"
}

"$RECORDER" -f "$store" "${sources[@]}" >"$work/out" 2>"$work/err"
status=$?
want=$(summary "1 boot" 2 "2 boots" 0 "0 boots" 2)
[ "$status" = 0 ] && [ "$(cat "$work/out")" = "$want" ] && [ ! -s "$work/err" ] ||
	fail "import: status $status, $(cat "$work/out" "$work/err")"
printf '%s\n' "4030:1700000000:Linux 6.1.0-28-amd64" "1000:1700010000:Linux 6.1.0-29-amd64" \
	"500:1700050000:Linux 6.1.0-29-amd64" "3600:1700100000:Linux 6.1.0-test" | sort >"$work/want"
sort "$store" | cmp -s - "$work/want" || fail "import: the store holds $(cat "$store")"

cp "$store" "$work/before"
"$RECORDER" -f "$store" "${sources[@]}" >"$work/out" 2>"$work/err"
want=$(summary "0 boots" 3 "0 boots" 2 "0 boots" 2)
[ "$(cat "$work/out")" = "$want" ] || fail "second import: $(cat "$work/out" "$work/err")"
cmp -s "$store" "$work/before" || fail "second import: the store changed"

# A source that cannot be read ends the run before the store is touched.
echo "not a database" >"$work/bad.db"
"$RECORDER" -f "$store" --wtmpdb="$work/bad.db" >"$work/out" 2>"$work/err"
[ $? = 1 ] && grep -q "^corvane-record: cannot read $work/bad.db: " "$work/err" ||
	fail "unreadable database: $(cat "$work/err")"
cmp -s "$store" "$work/before" || fail "unreadable database: the store changed"

[ "$failed" = 0 ] && echo "sources: all passed"
exit "$failed"
