#!/usr/bin/env bash
# The systemd units: an install lays every unit of systemd/ down in
# lib/systemd/system, each service naming the installed program beside
# sbin/corvane-record and sandboxed; systemd-analyze verify finds nothing
# wrong in them, and systemd-analyze security rates each service 3.0 or
# better (skipped, status 77, where systemd-analyze is missing).  No service
# gets a fresh /proc, which would hide a container's own boot id.
#
# Run by CTest with RECORDER, BUILD_DIR and UNIT_DIR in the environment.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work units

prefix="$work/prefix"
installed="$prefix/lib/systemd/system"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
[ -e "$prefix/sbin/corvane-record" ] || fail "sbin/corvane-record is not installed"
units=()
for unit in "$UNIT_DIR"/*.service "$UNIT_DIR"/*.timer; do
	units+=("$(basename "$unit")")
done
for unit in "${units[@]}"; do
	[ -e "$installed/$unit" ] || fail "$unit is not installed"
done
services=()
for unit in "${units[@]}"; do
	[[ $unit == *.service ]] || continue
	services+=("$unit")
	file="$installed/$unit"
	# Each ExecStart=, ExecStop=, ... runs the installed program.
	grep -E '^Exec[A-Za-z]*=' "$file" | grep -v "=$prefix/sbin/corvane-record\( \|$\)" |
		sed 's/^/runs something else: /' >"$work/exec"
	grep -q '^ExecSt[a-z]*=' "$file" || echo "runs nothing" >>"$work/exec"
	[ -s "$work/exec" ] && fail "$unit: $(cat "$work/exec")"
	grep -qx ProtectSystem=strict "$file" || fail "$unit lacks ProtectSystem=strict"
	grep -Eq '^(StateDirectory|ReadWritePaths)=' "$file" || fail "$unit cannot write the store"
	# The service sees the machine's own /proc (a container's boot id and
	# lxcfs's uptime are mounts on it): nothing that mounts a fresh one.
	grep -E '^(MountAPIVFS=yes|ProtectKernelTunables=yes|ProtectControlGroups=yes|ProtectProc=[^d]|ProcSubset=pid)' \
		"$file" | sed 's/^/a fresh \/proc: /' >"$work/proc"
	[ -s "$work/proc" ] && fail "$unit: $(cat "$work/proc")"
	grep -qx 'ReadOnlyPaths=/proc/sys /sys .*' "$file" || fail "$unit leaves /proc/sys and /sys writable"
done
[ "${#services[@]}" -gt 0 ] || fail "no service in $UNIT_DIR"
# The run at shutdown is the stop step of a unit that stays active.
shutdown_unit="$installed/corvane-record-shutdown.service"
# shellcheck disable=SC2015 # fail unless both hold
[ "$(sed -n 's/^ExecStop=//p' "$shutdown_unit")" = "$prefix/sbin/corvane-record --shutdown" ] &&
	grep -qx RemainAfterExit=yes "$shutdown_unit" || fail "the shutdown unit does not run --shutdown when it stops"
drop_in="$installed/corvane-record.service.d/metrics.conf"
grep -qF "then exec $prefix/sbin/corvane-record --metrics=/var/lib/prometheus/node-exporter/corvane.prom; fi; exec $prefix/sbin/corvane-record'" \
	"$drop_in" || fail "the metrics drop-in: $(cat "$drop_in")"

if ! command -v systemd-analyze >/dev/null; then
	skip_test "no systemd-analyze on this system: the units are not verified"
fi
# verify wants the program that the Exec lines name to exist: the units are
# checked with the services running the built program.
checked="$work/units"
mkdir "$checked"
for unit in "${units[@]}"; do
	sed "s|^\(Exec[A-Za-z]*=\)$prefix/sbin/corvane-record|\1$RECORDER|" "$installed/$unit" \
		>"$checked/$unit"
done
# The units' Documentation= names the installed man page.
if ! (cd "$checked" && MANPATH="$prefix/share/man" systemd-analyze verify "${units[@]}") >"$work/verify" 2>&1 ||
	[ -s "$work/verify" ]; then
	fail "systemd-analyze verify:"
	cat "$work/verify"
fi
# The exposure figure, from 0.0 (locked down) to 10.0 (wide open).
for unit in "${services[@]}"; do
	systemd-analyze security --offline=yes "$checked/$unit" >"$work/security" 2>&1
	figure=$(sed -n 's/^→ Overall exposure level for .*: \([0-9.]*\) .*/\1/p' "$work/security")
	if [ -z "$figure" ]; then
		fail "systemd-analyze security gave no figure for $unit:"
		cat "$work/security"
	elif ! awk -v f="$figure" 'BEGIN { exit !(f <= 3.0) }'; then
		fail "$unit is rated $figure, above 3.0:"
		grep '✗' "$work/security"
	else
		echo "$unit: exposure $figure"
	fi
done
[ "$failed" = 0 ] && echo "the units are installed, verify cleanly and are sandboxed"
exit "$failed"
