#!/usr/bin/env bash
# A recorder killed, paused or refused a write at any moment leaves the old
# store or the new one, whole:
#   - killed (SIGKILL) before each of its file calls in turn, one run each;
#   - paused in the middle of writing the new store (SIGSTOP), made to hold
#     the lock meanwhile, then killed from outside;
#   - the strays that killed runs leave, taken away by the next run that
#     holds the lock, so that there is never more than one of each;
#   - a lock held by a paused recorder, or by flock(1), and a run that gives
#     up waiting for it (--wait), naming the holder;
#   - a full disk or a failing device at each step of the save (a test double
#     of write, fsync, close and rename), and a real full tmpfs when the
#     system lets the test mount one in a mount namespace of its own.
#
# Run by CTest with RECORDER, DOUBLE_DIR and FAULTS in the environment; FAULTS
# is the test double of the C library's file calls (recorder/tests/faults.c),
# loaded with LD_PRELOAD and steered by CORVANE_FAULT.
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work crash
use_double
export LC_ALL=C
export CORVANE_TEST_BOOT=1700000000 CORVANE_TEST_UPTIME=2000 CORVANE_TEST_SYSINFO="Linux 6.1.0-test"
# The sanitizer build's runtime must otherwise come first of all libraries.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"

# The old store: more than one buffer of the writer (64 KiB), so that it
# takes several writes, with the running boot's line in its middle.
store="$work/records"
{
	printf '# uptime:boot time:system\n'
	for ((i = 0; i < 1500; i++)); do printf '# filler line %05d of a store larger than a buffer\n' "$i"; done
	printf '1000:1700000000:Linux 6.1.0-test\n'
	printf 'not a record\n'
	for ((i = 0; i < 1500; i++)); do printf '%d:%d:Linux 5.10.0-%d-amd64\n' "$i" $((1600000000 + i * 10000)) "$i"; done
} >"$work/old"
cp "$work/old" "$store"
"$RECORDER" -n -f "$store" >"$work/new" || fail "the dry run failed"
cmp -s "$work/old" "$work/new" && fail "the new store is the old one"

# Which store the store is, byte for byte: old, new, or broken.
which_store() {
	if cmp -s "$store" "$work/old"; then
		echo old
	elif cmp -s "$store" "$work/new"; then
		echo new
	else
		echo broken
	fi
}

# The new files that killed runs leave behind: plain files named like a new
# store (or a new file beside it) of mkstemp.
strays() {
	find "$work" -maxdepth 1 -type f -regextype posix-extended \
		-regex '.*/\.records\.([^/]+\.)?[A-Za-z0-9]{6}' -printf '%f\n' | sort
}

# --- killed before each file call in turn -------------------------------------
# The strays of earlier kills stay, with those of files beside the store and
# files that only look like them: each run that takes the lock takes the
# strays away, so that they never pile up.
printf 'half\n' >"$work/.records.boot.Ab12Cd"
printf 'half\n' >"$work/.records.ends.xY34Zw"
printf 'kept\n' >"$work/.records.note"
mkdir "$work/.records.folder"
kills=0
sides=""
most_strays=0
for ((n = 1; n <= 200; n++)); do
	cp "$work/old" "$store"
	# (The braces keep bash's notice of the kill off the test's output.)
	{ CORVANE_FAULT="any:$n:KILL" LD_PRELOAD="$FAULTS" "$RECORDER" -f "$store" 2>"$work/err"; } 2>/dev/null
	status=$?
	if [ "$status" = 0 ]; then
		[ "$(which_store)" = new ] || fail "a finished run left the $(which_store) store"
		break
	fi
	[ "$status" = 137 ] || fail "kill at call $n: status $status, $(cat "$work/err")"
	kills=$((kills + 1))
	side=$(which_store)
	[ "$side" = broken ] && fail "killed at call $n: the store is neither the old nor the new one"
	sides="$sides $side"
	count=$(strays | wc -l)
	[ "$count" -gt "$most_strays" ] && most_strays=$count
done
[ "$kills" -ge 5 ] || fail "only $kills calls to kill a run at"
[[ $sides == *old* && $sides == *new* ]] || fail "kills left only:$sides"
[ "$most_strays" -le 2 ] || fail "$most_strays strays piled up"
[ -z "$(strays)" ] || fail "strays left after a whole run: $(strays)"
# shellcheck disable=SC2015 # fail unless both hold
[ -f "$work/.records.note" ] && [ -d "$work/.records.folder" ] ||
	fail "a file that is no stray was taken away"
[[ $sides == *old* && $most_strays -ge 1 ]] || fail "no kill left a stray to take away"

# --- paused in the middle of the new store, killed from outside -------------------
# The lock file lies beside the store's real file.
lock="$(realpath "$work")/records.lock"
cp "$work/old" "$store"
rm -f "$work"/.records.*
CORVANE_FAULT="write:3:STOP" LD_PRELOAD="$FAULTS" "$RECORDER" -f "$store" &
paused=$!
for ((i = 0; i < 1000; i++)); do
	[ "$(awk '{ print $3 }' "/proc/$paused/stat" 2>/dev/null)" = T ] && break
	sleep 0.01
done
if [ "$(awk '{ print $3 }' "/proc/$paused/stat" 2>/dev/null)" != T ]; then
	fail "the writer did not pause"
else
	temp=$(ls "$work"/.records.* 2>/dev/null)
	if [ -z "$temp" ] || [ "$(stat -c %s "$temp")" -ge "$(stat -c %s "$work/new")" ]; then
		fail "no half-written new store beside the old one: ${temp:-none}"
	fi
	[ "$(which_store)" = old ] || fail "the store changed before the rename"
	# A recorder that may wait a second gives up, naming the holder.
	"$RECORDER" -f "$store" --wait=1 >"$work/out" 2>"$work/err"
	status=$?
	[ "$status" = 1 ] || fail "a recorder that gave up waiting: status $status"
	[ "$(cat "$work/err")" = "corvane-record: cannot lock $lock: held by process $paused (waited 1 second)" ] ||
		fail "a recorder that gave up waiting: standard error: $(cat "$work/err")"
	# Another recorder waits for the lock meanwhile.
	"$RECORDER" -f "$store" 2>"$work/err" &
	waiting=$!
	sleep 0.3
	kill -0 "$waiting" 2>/dev/null || fail "a second recorder did not wait for the lock"
	[ "$(which_store)" = old ] || fail "the waiting recorder wrote"
fi
kill -KILL "$paused"
wait "$paused" 2>/dev/null
wait "$waiting"
status=$?
[ "$status" = 0 ] || fail "the waiting recorder: status $status, $(cat "$work/err")"
[ "$(which_store)" = new ] || fail "the recorder after the kill left the $(which_store) store"

# --- a lock held by another program ----------------------------------------------
# This shell holds the lock with flock(1), which records no process id.
exec 9>>"$lock"
if ! flock -n 9; then
	fail "flock could not take the free lock"
else
	cp "$work/old" "$store"
	for wait in "--wait=1|1 second" "-W0|0 seconds"; do
		"$RECORDER" -f "$store" "${wait%|*}" >"$work/out" 2>"$work/err"
		status=$?
		[ "$status" = 1 ] || fail "${wait%|*} with the lock held: status $status"
		[ "$(cat "$work/err")" = "corvane-record: cannot lock $lock: held by another process (waited ${wait#*|})" ] ||
			fail "${wait%|*} with the lock held: standard error: $(cat "$work/err")"
		[ "$(which_store)" = old ] || fail "${wait%|*} with the lock held: the store changed"
	done
fi
exec 9>&-

# --- a full disk or a failing device at each step --------------------------------
# fault|store afterwards|reason; the first write is that of the holder's
# process id into the lock file; the first two closes are those of the old
# store once the reader and the writer read it, the third that of the new one.
runs=(
	"write:2:ENOSPC|old|No space left on device"
	"write:3:ENOSPC|old|No space left on device"
	"fsync:1:ENOSPC|old|No space left on device"
	"fsync:1:EIO|old|Input/output error"
	"close:3:EIO|old|Input/output error"
	"rename:1:EACCES|old|Permission denied (run as root, or use -f FILE)"
	"fsync:2:EIO|new|Input/output error"
)
for run in "${runs[@]}"; do
	IFS='|' read -r fault side reason <<<"$run"
	cp "$work/old" "$store"
	rm -f "$work"/.records.*
	CORVANE_FAULT="$fault" LD_PRELOAD="$FAULTS" "$RECORDER" -f "$store" >"$work/out" 2>"$work/err"
	status=$?
	[ "$status" = 1 ] || fail "$fault: status $status"
	[ "$(cat "$work/err")" = "corvane-record: cannot save $store: $reason" ] ||
		fail "$fault: standard error: $(cat "$work/err")"
	[ "$(which_store)" = "$side" ] || fail "$fault: the store is the $(which_store) one, not the $side one"
	[ -z "$(ls "$work"/.records.* 2>/dev/null)" ] || fail "$fault: a new file was left behind"
done

# --- a real full disk ------------------------------------------------------------
mnt="$work/mnt"
mkdir "$mnt"
# shellcheck disable=SC2016 # the script expands its own arguments
unshare -m bash -c '
	mount -t tmpfs -o size=256k tmpfs "$1" 2>/dev/null || exit 77
	cp "$2" "$1/records"
	dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null
	"$RECORDER" -f "$1/records" >"$3/tmpfs-out" 2>"$3/tmpfs-err"
	echo $? >"$3/tmpfs-status"
	cmp -s "$1/records" "$2" && echo old >"$3/tmpfs-side"
	ls -A "$1" >"$3/tmpfs-files"
' bash "$mnt" "$work/old" "$work" 2>/dev/null
if [ -f "$work/tmpfs-status" ]; then
	[ "$(cat "$work/tmpfs-status")" = 1 ] || fail "full tmpfs: status $(cat "$work/tmpfs-status")"
	[ "$(cat "$work/tmpfs-err")" = "corvane-record: cannot save $mnt/records: No space left on device" ] ||
		fail "full tmpfs: standard error: $(cat "$work/tmpfs-err")"
	[ -f "$work/tmpfs-side" ] || fail "full tmpfs: the old store did not survive"
	[ "$(cat "$work/tmpfs-files")" = "filler
records
records.lock" ] || fail "full tmpfs: files left: $(cat "$work/tmpfs-files")"
else
	echo "no tmpfs could be mounted here: the full disk is the test double's only"
fi

[ "$failed" = 0 ] && echo "killed at $kills calls, paused, and refused writes: the store stayed whole"
exit "$failed"
