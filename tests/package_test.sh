#!/usr/bin/env bash
# The Debian package, as a user gets it: dpkg-buildpackage builds it from a
# copy of the sources, lintian finds no error and no warning that is not
# overridden, apt-get installs it, /usr/bin/vellipo runs, the recorder writes
# the real store, the units are enabled, and apt-get purge takes everything
# away again, the store and its folder too.
#
#   package_test.sh SOURCE_DIR
#
# It installs on this machine, so it needs root, and it leaves the machine as
# it found it, also when it fails: the package is purged and a records
# folder that was there before is put back.  Skipped (status 77; a failure
# under CI) without root or the Debian tools, and where a vellipo package is
# installed already.
set -u
source_dir=$(cd "$1" && pwd)
. "$source_dir/tests/skip.sh"
export LC_ALL=C DEBIAN_FRONTEND=noninteractive
store_dir=/var/lib/corvane

for tool in dpkg-buildpackage dh lintian apt-get; do
	command -v "$tool" >/dev/null || skip_test "$tool is not installed: the package is not tested"
done
[ "$(id -u)" = 0 ] || skip_test "the package test installs the package: it runs as root only"
if dpkg-query -W -f='${Status}' vellipo 2>/dev/null | grep -qv 'not-installed'; then
	skip_test "a vellipo package is installed on this machine: the test would replace it"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-package.XXXXXX") || exit 2
installed=no
restore() {
	if [ "$installed" = yes ]; then
		apt-get purge -y -qq -o DPkg::Lock::Timeout=120 vellipo >/dev/null 2>&1 ||
			dpkg --purge vellipo >/dev/null 2>&1
	fi
	if [ -e "$work/saved-store" ]; then
		rm -rf "$store_dir"
		cp -a "$work/saved-store" "$store_dir"
	fi
	rm -rf "$work"
}
trap restore EXIT
failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}
[ -e "$store_dir" ] && cp -a "$store_dir" "$work/saved-store"

# Every file or folder of the system whose name speaks of the package.
names() {
	find /etc /var /usr /opt -xdev \( -path /var/tmp -o -path /var/cache -o -path /var/log \) -prune -o \
		\( -iname '*corvane*' -o -iname '*vellipo*' \) -print 2>/dev/null | sort
}
names >"$work/names-before"

# The build, from a copy of the sources: dpkg-buildpackage writes into
# debian/ and puts the package beside the source folder.
mkdir "$work/src"
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
	(cd "$source_dir" && git ls-files -co --exclude-standard -z | xargs -0 -r sh -c \
		'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh | tar --null -T - -c) |
		tar -x -C "$work/src"
else
	(cd "$source_dir" && tar -c --exclude='./build*' .) | tar -x -C "$work/src"
fi
if ! (cd "$work/src" && DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=2" \
	dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1; then
	echo "FAIL: dpkg-buildpackage:"
	tail -30 "$work/build.log"
	exit 1
fi
deb=$(ls "$work"/vellipo_*.deb)
echo "built $(basename "$deb")"

# lintian: no error, and no warning but the ones debian/*.lintian-overrides
# explains.
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "lintian:"
grep -v 'running with root privileges' "$work/lintian" | sed 's/^/lintian: /'

if ! apt-get install -y -qq -o DPkg::Lock::Timeout=120 --no-install-recommends "$deb" \
	>"$work/install.log" 2>&1; then
	echo "FAIL: apt-get install:"
	cat "$work/install.log"
	exit 1
fi
installed=yes
dpkg-query -L vellipo | sort >"$work/files"

# The package's programs, by their paths: a vellipo installed from the
# sources into /usr/local may come first in PATH, and is not the package's.
grep -qx /usr/bin/vellipo "$work/files" || fail "the package holds no /usr/bin/vellipo"
out=$(/usr/bin/vellipo -a 2>&1) || fail "vellipo failed: $out"
grep -q '^->' <<<"$out" || fail "vellipo shows no running boot: $out"
[ -d "$store_dir" ] || fail "$store_dir is not made"
/usr/sbin/corvane-record || fail "corvane-record could not write the store"
[ -s "$store_dir/records" ] || fail "no store after a run of corvane-record"
for file in /usr/share/man/man1/vellipo.1.gz /usr/share/man/man8/corvane-record.8.gz \
	/usr/share/doc/vellipo/examples/vellipo.header \
	/usr/share/doc/vellipo/examples/prometheus/corvane.rules.yml; do
	grep -qx "$file" "$work/files" || fail "$file is not installed"
done
for unit in "$source_dir"/systemd/*.service "$source_dir"/systemd/*.timer; do
	name=$(basename "$unit")
	grep -qx "/lib/systemd/system/$name" "$work/files" || fail "$name is not installed"
	if grep -q '^\[Install\]' "$unit"; then
		# Enabled: linked from a .wants or .requires folder of /etc/systemd/system.
		[ -n "$(find /etc/systemd/system -type l -name "$name" 2>/dev/null)" ] ||
			fail "$name is not enabled"
	fi
done

if ! apt-get purge -y -qq -o DPkg::Lock::Timeout=120 vellipo >"$work/purge.log" 2>&1; then
	echo "FAIL: apt-get purge:"
	cat "$work/purge.log"
	exit 1
fi
installed=no
dpkg-query -W -f='${Status}' vellipo 2>/dev/null | grep -qv 'not-installed' &&
	fail "vellipo is still known to dpkg after the purge"
while read -r file; do
	[ -e "$file" ] && [ ! -d "$file" ] && fail "$file is left after the purge"
done <"$work/files"
[ -e "$store_dir" ] && fail "$store_dir is left after the purge: $(ls -A "$store_dir")"
names | comm -13 "$work/names-before" - >"$work/left"
[ -s "$work/left" ] && fail "left after the purge: $(cat "$work/left")"
[ "$failed" = 0 ] && echo "the package builds, installs, runs and purges cleanly"
exit "$failed"
