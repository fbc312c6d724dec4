#!/usr/bin/env bash
# The README's set-up, as a newcomer types it on a fresh Debian 12: in a
# minimal root (debian_root.sh: mmdebstrap's minbase with git), as root, the
# commands that README.md prints, taken from README.md itself, never copied
# here: so a README change that would fail a newcomer fails this test.
#
#   fresh_root_test.sh SOURCE_DIR
#
# The README marks each block this test runs with a comment line of its own
# right before the block (blank lines may stand between them):
#
#   <!-- fresh-root: NAME -->
#
# followed by an indented block (4 spaces) of commands, one a line, which
# ends at the first line that is not indented (a blank one too): run in the
# sources as root with bash -e, so that a line that fails ends the block.
# The blocks, in the order they run (see run_block below for each check):
#
#   first-install  the first apt-get line
#   first-build    the build line: configure, build, the report of the machine
#   sample         the sample store shown by the program
#   milestone      the same with the sample milestones in place
#   test           the tests' build and a quick part of them
#   package        the Debian package: its build dependencies, build, install
#   record         a recorder run and --status, from the package
#   remove, purge  the package taken away, then its store
#
# The sources are a clone of SOURCE_DIR's committed tree.  The root runs in a
# mount and process namespace of its own (unshare): its mounts and any
# process left in it end with the test, also when it fails or is killed, and
# the root's folder is removed.  Downloaded packages and apt's lists are kept
# between runs in the roots' cache folder (debian_root.sh), bind-mounted onto
# the root's /var/cache/apt/archives and /var/lib/apt/lists.  Each block's
# time is printed.
#
# Needs root, unshare, chroot and mmdebstrap; skipped (status 77, a failure
# under CI) without them.
set -u
source_dir=$(cd "$1" && pwd)
here="$source_dir/tests"
# shellcheck source=tests/skip.sh
. "$here/skip.sh"
export LC_ALL=C

[ "$(id -u)" = 0 ] || skip_test "the fresh root is made and entered as root only"
for tool in unshare chroot git mmdebstrap; do
	command -v "$tool" >/dev/null || skip_test "$tool is not installed: the README is not tried in a fresh root"
done
tarball=$(bash "$here/debian_root.sh" fresh-root git)
case $? in
0) ;;
77) skip_test "mmdebstrap is not installed" ;;
*) echo "FAIL: no fresh root: $tarball"; exit 1 ;;
esac
cache=$(dirname "$tarball")/fresh-root-apt
mkdir -p "$cache/archives/partial" "$cache/lists/partial"

work=$(mktemp -d /var/tmp/vellipo-fresh-root.XXXXXX) || exit 2
cleanup() {
	# The namespace's mounts went with it; nothing below the root is
	# mounted here, and rm stays on this file system anyway.
	rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
root="$work/root"
mkdir "$root"
tar -x -C "$root" -f "$tarball" || { echo "FAIL: cannot unpack $tarball"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
git clone -q "$source_dir" "$root/root/vellipo" || { echo "FAIL: git clone $source_dir"; exit 1; }

# block NAME: the commands of the README block marked NAME, one a line.
block() {
	awk -v name="$1" '
		$0 == "<!-- fresh-root: " name " -->" { found = 1; next }
		found == 1 && /^$/ { next }
		found == 1 && /^    / { found = 2 }
		found == 2 && /^    / { print substr($0, 5); next }
		found { exit }
	' "$source_dir/README.md"
}

failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}

# in_root SCRIPT: runs the script with bash in the root, in the sources, as
# root, in a mount and PID namespace of its own; its output goes to $out.
out="$work/out"
in_root() {
	unshare --mount --pid --fork --kill-child --propagation private bash -c '
		set -e
		root=$1 cache=$2
		mount -t proc proc "$root/proc"
		mount -t sysfs -o ro sysfs "$root/sys"
		mount -t tmpfs tmpfs "$root/dev/shm"
		mount -t tmpfs tmpfs "$root/tmp"
		mount --bind "$cache/archives" "$root/var/cache/apt/archives"
		mount --bind "$cache/lists" "$root/var/lib/apt/lists"
		exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
			PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
			DEBIAN_FRONTEND=noninteractive \
			/bin/bash -e -o pipefail -c "cd /root/vellipo && $3"
	' bash "$root" "$cache" "$1" </dev/null >"$out" 2>&1
}

# run_block NAME: runs the README block NAME, prints its time; false, with
# the end of its output, when it fails.
run_block() {
	local commands start status
	commands=$(block "$1")
	if [ -z "$commands" ]; then
		fail "README.md has no block marked <!-- fresh-root: $1 -->"
		return 1
	fi
	start=$(date +%s)
	in_root "set -x
$commands"
	status=$?
	echo "$1: $(($(date +%s) - start)) s"
	if [ "$status" != 0 ]; then
		fail "the README's $1 block failed (status $status):"
		sed 's/^/    | /' <<<"$commands"
		tail -n 30 "$out"
		return 1
	fi
}

# has NAME PATTERN: the last block's output holds a line matching the
# extended regular expression.
has() {
	grep -Eq -e "$2" "$out" || {
		fail "$1: no line matches '$2' in the output:"
		tail -n 20 "$out"
	}
}

if run_block first-install && run_block first-build; then
	# The whole product: both history sources, and the machine's report
	# with its running boot.
	has "first build" '^-- vellipo .*: vellipo, libcorvane, corvane-record with .*journal import \(libsystemd found\), login database import \(SQLite found\)'
	has "first build" '->   1 '
	[ -x "$root/root/vellipo/build/recorder/corvane-record" ] ||
		fail "the recorder is not at build/recorder/corvane-record"
fi
if run_block sample; then
	has "sample" '^     1    87 days, 00:00:43 \| Linux 6\.1\.0-32-amd64 '
	# The running boot's row, wherever this machine's uptime ranks it.
	has "sample" '-> +[0-9]+ +[0-9]+ days?, [0-9:]+ '
	grep -q '^mst in' "$out" && fail "sample: a milestone line without the milestones"
fi
if run_block milestone; then
	has "milestone" '^mst in +[0-9]+ days?, [0-9:]+ \| '
fi
if run_block test; then
	has "test" '^100% tests passed, 0 tests failed out of [1-9]'
fi
if run_block package; then
	has "package" "Setting up vellipo "
	grep 'u_current' "$out" | grep -v '^+' >"$work/shown" && fail "package: $(cat "$work/shown")"
	[ -s "$root/var/lib/corvane/records" ] || fail "the package's first install imported nothing"
fi
if run_block record; then
	has "record" '^store +/var/lib/corvane/records$'
	has "record" '^ends +[0-9]+ clean, [0-9]+ unclean, [0-9]+ unknown, 1 running$'
fi
if run_block remove; then
	[ -s "$root/var/lib/corvane/records" ] || fail "the removal took the store away"
	[ -e "$root/usr/bin/vellipo" ] && fail "the removal left /usr/bin/vellipo"
fi
if run_block purge; then
	[ -e "$root/var/lib/corvane" ] && fail "the purge left /var/lib/corvane: $(ls -A "$root/var/lib/corvane")"
fi

[ "$failed" = 0 ] && echo "the README's commands work as printed in a fresh Debian 12 root"
exit "$failed"
