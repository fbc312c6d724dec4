#!/usr/bin/env bash
# The recorder under a real systemd, booted again and again: a Debian 12 root
# (tests/debian_root.sh) with the project installed as the README says
# (cmake --install into /usr/local, the timer and the shutdown unit enabled
# with systemctl), booted with systemd-nspawn --boot, each boot in a time
# namespace of its own whose clocks start near zero as on a machine just
# switched on, its commands run with nsenter.  The boots end by
# systemctl reboot, systemctl poweroff, a SIGKILL of the guest's init and
# nspawn together (a crash), and a SIGTERM to nspawn (a halt the host asks
# for), seconds apart.  Then it checks:
#   - one record per boot, at the boot's true start (the guest's wall clock
#     less its uptime, read in one command);
#   - each clean end recorded to within a few seconds of the boot's true
#     length (until nspawn exited), the crashed boot to its last run;
#   - the ends file: clean or unclean, as each boot ended;
#   - corvane-record --status and vellipo, in the last boot, agree with the
#     store;
#   - corvane-record -n -i adds nothing;
#   - an import from the guest's journal alone into a new store gives the
#     same boots and ends.
# It prints a table of the boots, and the exposure that systemd-analyze
# security gives the services in the guest.
#
#   booted_test.sh BUILD_DIR
#
# Needs root, systemd-nspawn, unshare and nsenter with time namespaces, and
# mmdebstrap; skipped without them (status 77; a failure under CI).  Every
# process, cgroup and file it makes goes away when it ends, also when it is
# killed: a watcher outside its process tree cleans up after it.
# shellcheck disable=SC2015 # "A && B || bad": bad unless both hold
set -u
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
export LC_ALL=C TZ=UTC

# --- cleanup --------------------------------------------------------------------
# cleanup WORK MACHINE CGROUP...: kills what runs in the test's cgroups (the
# guests and their nspawn), removes the cgroups, nspawn's files of the
# machine and of the root (WORK/root), and the work folder.
cleanup() {
	local work=$1 machine=$2 group pid tries
	shift 2
	for tries in $(seq 50); do
		local left=""
		for group in "$@"; do
			[ -d "$group" ] || continue
			local pids
			pids=$(find "$group" -name cgroup.procs -exec cat {} + 2>/dev/null)
			for pid in $pids; do
				left=yes
				kill -KILL "$pid" 2>/dev/null
			done
		done
		[ -z "$left" ] && break
		[ "$tries" = 50 ] || sleep 0.2
	done
	for group in "$@"; do
		[ -d "$group" ] && find "$group" -depth -type d -exec rmdir {} + 2>/dev/null
	done
	rm -rf "/run/systemd/nspawn/propagate/$machine" "/run/systemd/nspawn/unix-export/$machine"
	if [ -n "$work" ] && [ -d "$work" ]; then
		# The lock nspawn takes on the root, which a killed nspawn leaves.
		[ -d "$work/root" ] && rm -f "/run/systemd/nspawn/locks/$(stat -c 'inode-%d:%i' "$work/root")"
		# nspawn mounts in a mount namespace of its own; should anything be
		# mounted below the work folder all the same, it goes first.
		awk -v w="$work" '$5 == w || index($5, w "/") == 1 { print $5 }' /proc/self/mountinfo |
			sort -r | while read -r mount; do umount -l "$mount"; done
		rm -rf --one-file-system "$work"
	fi
}

# The watcher: waits for the test to end, however it ends, then cleans up.
if [ "${1:-}" = --clean-after ]; then
	test_pid=$2
	shift 2
	while kill -0 "$test_pid" 2>/dev/null; do sleep 1; done
	cleanup "$@"
	exit 0
fi

build_dir=$(cd "$1" && pwd)
# shellcheck source=tests/skip.sh
. "$source_dir/tests/skip.sh"
[ "$(id -u)" = 0 ] || skip_test "the booted test runs containers: it runs as root only"
for tool in systemd-nspawn unshare nsenter setsid timeout; do
	command -v "$tool" >/dev/null || skip_test "$tool is not installed: the booted test does not run"
done
unshare --time --boottime 10 true 2>/dev/null || skip_test "no time namespaces here: the booted test does not run"

machine=vellipo-booted-$$
work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-booted.XXXXXX") || exit 2
root=$work/root

# The cgroups of the guests: one of the test's own below the test's cgroup in
# every hierarchy nspawn uses, so that nspawn's payload and supervisor groups
# are the test's alone and the cleanup finds every process of the guests.
groups=()
if [ "$(stat -fc %T /sys/fs/cgroup)" = cgroup2fs ]; then
	hierarchies=("/sys/fs/cgroup 0:")
else
	hierarchies=("/sys/fs/cgroup/systemd [0-9]*:name=systemd" "/sys/fs/cgroup/unified 0:")
fi
for entry in "${hierarchies[@]}"; do
	mount=${entry%% *}
	[ -d "$mount" ] || continue
	own=$(sed -n "s/^${entry#* }://p" /proc/self/cgroup)
	group="$mount${own%/}/$machine"
	mkdir "$group" 2>/dev/null && groups+=("$group")
done

setsid -f bash "$0" --clean-after $$ "$work" "$machine" "${groups[@]}" </dev/null >/dev/null 2>&1
runner="" nspawn="" leader=""
trap '[ -n "$nspawn" ] && kill -KILL $leader $nspawn 2>/dev/null; cleanup "$work" "$machine" "${groups[@]}"' EXIT

failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}
# check NAME: the outcome of one check: "not ok" when bad was called since
# the last one.
check_failed=0
check() {
	if [ "$check_failed" = 0 ]; then
		echo "ok: $1"
	else
		echo "not ok: $1"
	fi
	check_failed=0
}
bad() {
	fail "$*"
	check_failed=1
}

# --- the root -------------------------------------------------------------------
tarball=$(bash "$source_dir/tests/debian_root.sh" booted systemd systemd-sysv dbus \
	libsystemd0 libsqlite3-0)
status=$?
[ "$status" = 77 ] && skip_test "$tarball"
[ "$status" = 0 ] || {
	echo "FAIL: no Debian root: $tarball"
	exit 1
}
mkdir "$root" && tar -xf "$tarball" -C "$root" || {
	echo "FAIL: cannot unpack $tarball"
	exit 1
}
if ! DESTDIR=$root cmake --install "$build_dir" --prefix /usr/local >"$work/install.log" 2>&1; then
	echo "FAIL: cmake --install:"
	cat "$work/install.log"
	exit 1
fi
# One machine id for every boot, and a persistent journal, as an installed
# system has.
od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$root/etc/machine-id"
echo >>"$root/etc/machine-id"
mkdir -p "$root/var/log/journal"
store=$root/var/lib/corvane/records

# --- boots ----------------------------------------------------------------------
# guest COMMAND...: runs a command in the running guest, in all its
# namespaces, with a clean environment.
guest() {
	timeout 60 nsenter -t "$leader" -a env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
		LC_ALL=C TZ=UTC "$@"
}
# now: the host's clock, in seconds with a fraction.
now() { date +%s.%N; }
# exited PID: whether the child PID has ended (a zombie not waited for yet).
exited() { [ ! -e "/proc/$1" ] || [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

boots=0
# Per boot: how it ended, its true start and end, nspawn's exit status.
declare -a how start end nspawn_status last_run

# start_boot: boots the guest once more, in a time namespace whose clocks
# start near zero, and waits until its system is up.
start_boot() {
	local up mono n=$((boots + 1))
	# The offsets are whole seconds: the guest starts just after the host's
	# uptime passes a whole second, so that its own starts within a tenth of
	# a second of zero.
	read -r up _ </proc/uptime
	sleep "$(awk -v u="$up" 'BEGIN { printf "%.3f", 1.02 - (u - int(u)) }')"
	read -r up _ </proc/uptime
	# The monotonic clock, which lags the boot time by the host's suspends.
	mono=$(awk '/^now at/ { print int($3 / 1e9); exit }' /proc/timer_list 2>/dev/null)
	[ -n "$mono" ] || mono=0
	# nspawn runs below a shell of its own, which notes its exit status: so
	# the test's shell, which waits for that one, has no word to say when
	# nspawn is killed.
	rm -f "$work/nspawn.pid" "$work/nspawn.status"
	(
		for group in "${groups[@]}"; do echo "$BASHPID" >"$group/cgroup.procs"; done
		unshare --time --boottime "-${up%.*}" --monotonic "-$mono" \
			systemd-nspawn --quiet -D "$root" --boot --register=no --keep-unit --link-journal=no \
			--private-network --machine="$machine" &
		echo "$!" >"$work/nspawn.pid"
		wait "$!"
		echo "$?" >"$work/nspawn.status"
	) </dev/null >"$work/console.$n" 2>&1 &
	runner=$!
	boots=$n
	nspawn="" leader=""
	local tries
	for tries in $(seq 300); do
		[ -n "$nspawn" ] || nspawn=$(cat "$work/nspawn.pid" 2>/dev/null)
		[ -n "$nspawn" ] || { sleep 0.1 && continue; }
		local children=()
		read -ra children 2>/dev/null <"/proc/$nspawn/task/$nspawn/children"
		for pid in "${children[@]}"; do
			awk '/^NSpid:/ { exit !($NF == 1) }' "/proc/$pid/status" 2>/dev/null && leader=$pid
		done
		[ -n "$leader" ] && break
		exited "$runner" && break
		sleep 0.1
	done
	if [ -z "$leader" ]; then
		echo "FAIL: boot $n: the guest did not start:"
		cat "$work/console.$n"
		exit 1
	fi
	# Until its manager has made /run/systemd/system, systemctl says
	# "offline"; until it listens, systemctl cannot connect and says nothing.
	local state=""
	for tries in $(seq 300); do
		state=$(guest systemctl is-system-running --wait 2>/dev/null)
		[ -n "$state" ] && [ "$state" != offline ] && break
		exited "$runner" && break
		sleep 0.2
	done
	case $state in
	running) ;;
	degraded)
		local units
		units=$(guest systemctl --failed --no-legend --plain | awk '{ print $1 }' | tr '\n' ' ')
		case $units in
		*corvane*) fail "boot $n: failed units: $units" ;;
		*) echo "boot $n is degraded: failed units: $units" ;;
		esac
		;;
	*)
		echo "FAIL: boot $n did not come up: ${state:-no answer}"
		tail -20 "$work/console.$n"
		exit 1
		;;
	esac
	start[n]=$(guest sh -c 'date +%s.%N; cat /proc/uptime' | awk 'NR == 1 { t = $1 } NR == 2 { printf "%.3f", t - $1 }')
}

# record_run: the recorder's run of this boot, as the timer starts it; its
# end is the last moment a crash can be recorded at.
record_run() {
	guest systemctl start corvane-record.service || fail "boot $boots: corvane-record.service failed"
	last_run[boots]=$(now)
}

# end_boot HOW: ends the running boot: reboot, poweroff (from inside), kill
# (SIGKILL to the guest's init and nspawn at once) or term (SIGTERM to nspawn);
# then waits for nspawn to exit and notes when.
end_boot() {
	how[boots]=$1
	case $1 in
	reboot | poweroff) guest systemctl "$1" ;;
	kill) kill -KILL "$leader" "$nspawn" ;;
	term) kill -TERM "$nspawn" ;;
	esac
	local tries
	for tries in $(seq 1200); do
		exited "$runner" && break
		sleep 0.1
	done
	end[boots]=$(now)
	if ! exited "$runner"; then
		echo "FAIL: boot $boots: nspawn still runs 2 minutes after $1:"
		tail -20 "$work/console.$boots"
		exit 1
	fi
	wait "$runner"
	nspawn_status[boots]=$(cat "$work/nspawn.status" 2>/dev/null)
	nspawn="" leader=""
}

# The boots but the last: how each ends, and the seconds it waits before
# its run of the recorder and after it.  The first installs the units as the
# README tells (the install into the root put the files in place).  The wait
# after the run is longer than a clean end may be off by, so that an end
# that is not recorded shows.
plan=(
	"reboot 1 6"
	"poweroff 0 6"
	"kill 2 6"
	"reboot 3 6"
	"term 0 6"
)
for entry in "${plan[@]}"; do
	read -r ending before after <<<"$entry"
	start_boot
	if [ "$boots" = 1 ]; then
		guest systemctl daemon-reload
		guest systemctl enable --now corvane-record.timer corvane-record-shutdown.service >/dev/null 2>&1 ||
			fail "cannot enable the units"
		guest corvane-record --import >"$work/import" 2>&1 || fail "corvane-record --import: $(cat "$work/import")"
	fi
	sleep "$before"
	record_run
	sleep "$after"
	end_boot "$ending"
done
# The last boot: the tools run in it, then it is powered off.
start_boot
record_run
cp "$store" "$work/store.running"
cp "$store.ends" "$work/ends.running" 2>/dev/null || : >"$work/ends.running"
guest corvane-record --status >"$work/status" 2>&1 || fail "corvane-record --status failed: $(cat "$work/status")"
guest vellipo -a -b -w -m 0 >"$work/vellipo" 2>&1 || fail "vellipo failed: $(cat "$work/vellipo")"
guest corvane-record -n -i >"$work/dry-import" 2>"$work/dry-import.err" ||
	fail "corvane-record -n -i failed: $(cat "$work/dry-import.err")"
guest corvane-record -f /root/journal-only/records -i --journal=/var/log/journal >"$work/journal-import" 2>&1 ||
	fail "the import from the journal failed: $(cat "$work/journal-import")"
for service in corvane-record.service corvane-record-shutdown.service; do
	guest systemd-analyze security --no-pager "$service" 2>/dev/null |
		sed -n 's/^-> Overall exposure level for \(.*\)/systemd-analyze security: \1/p'
done >"$work/security"
guest cat /proc/sys/kernel/random/boot_id >"$work/boot_id"
guest journalctl --list-boots --no-pager >"$work/journal-boots" 2>&1
sleep 6
end_boot poweroff

# --- checks ---------------------------------------------------------------------
# records FILE: the records of a store, "boot_time uptime", by boot time.
records() { awk -F: '/^[0-9]+:[0-9]+:/ { print $2, $1 }' "$1" 2>/dev/null | sort -n; }
# records_at FILE START: the records of FILE that started within 1.5 seconds
# of START.
records_at() { records "$1" | awk -v s="$2" '$1 - s <= 1.5 && s - $1 <= 1.5'; }
# end_of FILE BOOT_TIME: what the ends file FILE says of a boot.
end_of() { awk -v b="$2" '$1 == b && NF == 2 { print $2 }' "$1" 2>/dev/null | tail -1; }
# within D T: whether |D| <= T (numbers with a fraction).
within() { awk -v d="$1" -v t="$2" 'BEGIN { exit !(d <= t && d >= -t) }'; }
# difference A B: A - B, to a tenth.
difference() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a - b }'; }
ends=$store.ends
[ -e "$ends" ] || : >"$ends"

# The record of each boot: the one that started with it, if there is one
# only.
declare -a record
for n in $(seq "$boots"); do
	found=$(records_at "$store" "${start[n]}")
	[ "$(grep -c . <<<"$found")" = 1 ] && record[n]=$found || record[n]=""
done

journal_store=$root/root/journal-only/records
echo
printf '%-4s  %-8s  %-6s  %-10s  %-10s  %-6s  %-8s  %-9s  %-7s  %s\n' boot ended nspawn "true start" recorded \
	length recorded "ends file" journal "its end"
for n in $(seq "$boots"); do
	rec=${record[n]}
	found=$(records_at "$journal_store" "${start[n]}")
	[ "$(grep -c . <<<"$found")" = 1 ] || found=""
	printf '%-4s  %-8s  %-6s  %-10.0f  %-10s  %-6s  %-8s  %-9s  %-7s  %s\n' "$n" "${how[n]}" "${nspawn_status[n]}" \
		"${start[n]}" "${rec%% *}" "$(difference "${end[n]}" "${start[n]}")" "${rec##* }" \
		"$(end_of "$ends" "${rec%% *}")" "${found##* }" "$(end_of "$journal_store.ends" "${found%% *}")"
done
cat "$work/security"
echo

# One record per boot, at its start.
count=$(records "$store" | wc -l)
[ "$count" = "$boots" ] || bad "the store holds $count records for $boots boots"
for n in $(seq "$boots"); do
	count=$(records_at "$store" "${start[n]}" | wc -l)
	[ "$count" = 1 ] || bad "boot $n (started $(printf %.0f "${start[n]}")): $count records"
done
check "one record per boot, at its start"

# The length of each boot: a clean end to a few seconds of the truth (the
# shutdown run comes a moment before nspawn exits, and a record holds whole
# seconds), a crash to its last run.
for n in $(seq "$boots"); do
	rec=${record[n]}
	if [ -z "$rec" ]; then
		bad "boot $n (${how[n]}): no record of its own"
	elif [ "${how[n]}" = kill ]; then
		ran=$(difference "${last_run[n]}" "${start[n]}")
		within "$(difference "${rec##* }" "$ran")" 2 || bad "boot $n (crashed): recorded ${rec##* }s, its last run was at ${ran}s"
	else
		lasted=$(difference "${end[n]}" "${start[n]}")
		short=$(difference "$lasted" "${rec##* }")
		awk -v d="$short" 'BEGIN { exit !(d >= -0.5 && d <= 3) }' || bad "boot $n (${how[n]}): recorded ${rec##* }s, it lasted ${lasted}s"
	fi
done
check "each boot's recorded length"

# The ends file names every boot, as it ended.
for n in $(seq "$boots"); do
	want=clean
	[ "${how[n]}" = kill ] && want=unclean
	rec=${record[n]}
	got=""
	[ -n "$rec" ] && got=$(end_of "$ends" "${rec%% *}")
	[ "$got" = "$want" ] || bad "boot $n (${how[n]}): the ends file says '${got:-nothing}'"
done
count=$(grep -Ec '^[0-9]+ (clean|unclean)$' "$ends")
[ "$count" = "$boots" ] || bad "the ends file names $count boots, $boots booted"
check "the ends file"

# --status in the last boot: the store's boots and ends, and the running boot.
running_store=$work/store.running running_ends=$work/ends.running
last_start=${start[boots]}
on_record=$(records "$running_store" | wc -l)
clean=$(grep -c ' clean$' "$running_ends")
unclean=$(grep -c ' unclean$' "$running_ends")
grep -q "^boots  *$on_record on record since " "$work/status" ||
	bad "--status: '$(grep '^boots' "$work/status")', the store holds $on_record"
grep -q "^ends  *$clean clean, $unclean unclean, $((on_record - 1 - clean - unclean)) unknown, 1 running$" "$work/status" ||
	bad "--status: '$(grep '^ends' "$work/status")', the ends file says $clean clean, $unclean unclean"
grep -q "^running boot .*, rank [0-9]* of $on_record, booted " "$work/status" ||
	bad "--status: '$(grep '^running' "$work/status")', $on_record on record"
shown=$(date -d "$(sed -n 's/^running boot .*, booted //p' "$work/status")" +%s 2>/dev/null)
[ -n "$shown" ] && within "$(difference "$shown" "$last_start")" 1.5 ||
	bad "--status: the running boot booted at ${shown:-?}, it started at $last_start"
check "--status agrees with the store"

# vellipo in the last boot: every record, the running one marked and up to
# date.
awk -F'|' '/ \| / && $1 ~ /[0-9]+ days?, / {
	match($1, /[0-9]+ days?, [0-9]+:[0-9]+:[0-9]+/); split(substr($1, RSTART, RLENGTH), t, /[^0-9]+/)
	n = split($2, w, " "); print t[1] * 86400 + t[2] * 3600 + t[3] * 60 + t[4], w[n-3], w[n-2], w[n-1], w[n], ($1 ~ /^->/ ? "running" : "")
}' "$work/vellipo" | while read -r up month day time year mark; do
	echo "$(date -d "$month $day $time $year" +%s) $up $mark"
done >"$work/vellipo.rows"
count=$(wc -l <"$work/vellipo.rows")
[ "$count" = "$on_record" ] || bad "vellipo shows $count boots, the store holds $on_record"
while read -r at up; do
	read -r _ shown_up mark <<<"$(awk -v b="$at" '$1 == b' "$work/vellipo.rows")"
	if [ -z "$shown_up" ]; then
		bad "vellipo does not show the boot of $at"
	elif [ "$mark" = running ]; then
		[ "$shown_up" -ge "$up" ] || bad "vellipo shows the running boot of $at up ${shown_up}s, the store ${up}s"
	else
		[ "$shown_up" = "$up" ] || bad "vellipo shows the boot of $at up ${shown_up}s, the store ${up}s"
	fi
done < <(records "$running_store")
marked=$(awk '$3 == "running" { print $1 }' "$work/vellipo.rows")
[ -n "$marked" ] && within "$(difference "$marked" "$last_start")" 1.5 ||
	bad "vellipo marks the boot of ${marked:-nothing} as running, it started at $last_start"
check "vellipo agrees with the store"

# A second import adds nothing.
if ! cmp -s <(records "$running_store" | cut -d' ' -f1) <(records "$work/dry-import" | cut -d' ' -f1); then
	bad "corvane-record -n -i changes the boots: $(diff <(records "$running_store") <(records "$work/dry-import") |
		grep '^[<>]' | tr '\n' ' ')($(cat "$work/dry-import.err"))"
fi
check "corvane-record -n -i adds nothing"

# The journal alone gives the same boots, lengths and ends.
count=$(records "$journal_store" | wc -l)
[ "$count" = "$on_record" ] || bad "the journal's import holds $count boots, the store $on_record ($(cat "$work/journal-import"))"
while read -r at up; do
	found=$(records_at "$journal_store" "$at")
	if [ "$(grep -c . <<<"$found")" != 1 ]; then
		bad "the journal's import has $(grep -c . <<<"$found") boots for the one of $at"
		continue
	fi
	# The running boot is the run's own, not imported.
	within "$(difference "$at" "$last_start")" 1.5 && continue
	within "$((${found##* } - up))" 3 || bad "the boot of $at lasted ${up}s in the store, ${found##* }s in the journal's import"
	want=$(end_of "$running_ends" "$at")
	got=$(end_of "$journal_store.ends" "${found%% *}")
	[ "$got" = "$want" ] || bad "the boot of $at ended '$want' in the store, '$got' in the journal's import"
done < <(records "$running_store")
check "an import from the journal alone gives the same boots and ends"

if [ "$failed" != 0 ]; then
	echo
	echo "the guest's boot id in the last boot: $(cat "$work/boot_id")"
	echo "its records.boot: $(cat "$store.boot" 2>/dev/null)"
	for file in "$store" "$ends" "$work/status" "$work/vellipo" "$work/dry-import.err" "$journal_store" \
		"$journal_store.ends" "$work/journal-import" "$work/journal-boots"; do
		echo "--- ${file#"$root"}:"
		cat "$file" 2>/dev/null
	done
fi
exit "$failed"
