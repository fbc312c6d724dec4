#!/usr/bin/env bash
# The systemd service and timer: an install lays them down in
# lib/systemd/system with the service naming the installed program, beside
# sbin/corvane-record, and systemd-analyze verify finds nothing wrong in them
# (skipped, status 77, where systemd-analyze is missing).
#
# Run by CTest with RECORDER, BUILD_DIR and UNIT_DIR in the environment.
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-record-units.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}

prefix="$work/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for file in sbin/corvane-record lib/systemd/system/corvane-record.service \
	lib/systemd/system/corvane-record.timer; do
	[ -e "$prefix/$file" ] || fail "$file is not installed"
done
service="$prefix/lib/systemd/system/corvane-record.service"
exec_start=$(sed -n 's/^ExecStart=//p' "$service")
[ "$exec_start" = "$prefix/sbin/corvane-record" ] || fail "the service runs '$exec_start'"
drop_in="$prefix/lib/systemd/system/corvane-record.service.d/metrics.conf"
grep -qF "then exec $prefix/sbin/corvane-record --metrics=/var/lib/prometheus/node-exporter/corvane.prom; fi; exec $prefix/sbin/corvane-record'" \
	"$drop_in" || fail "the metrics drop-in: $(cat "$drop_in")"

if ! command -v systemd-analyze >/dev/null; then
	echo "no systemd-analyze on this system"
	exit 77
fi
# verify wants the program that ExecStart names to exist: the units are
# checked with the service running the built program.
units="$work/units"
mkdir "$units"
sed "s|^ExecStart=.*|ExecStart=$RECORDER|" "$service" >"$units/corvane-record.service"
cp "$UNIT_DIR/corvane-record.timer" "$units/"
if ! systemd-analyze verify "$units/corvane-record.service" "$units/corvane-record.timer" \
	>"$work/verify" 2>&1 || [ -s "$work/verify" ]; then
	fail "systemd-analyze verify:"
	cat "$work/verify"
fi
[ "$failed" = 0 ] && echo "the units are installed and verify cleanly"
exit "$failed"
