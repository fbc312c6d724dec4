#!/usr/bin/env bash
# Checks how the programs are linked and what an install lays down:
#   install_test.sh BUILD_DIR
# The program needs libcorvane.so.0 dynamically and exports u_current for
# the library to read.  An install into any prefix puts the programs, the
# library with its SONAME links, the header and the man pages in place, and
# the installed programs find the installed library with no LD_LIBRARY_PATH:
# their run path holds $ORIGIN/../lib and, for the build's own prefix
# (/usr/local by default), the configured library folder.  An install into a
# folder that systemd does not read says so.
set -u
build=$1
fixtures=$(cd "$(dirname "$0")/fixtures" && pwd)
failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }

dynamic=$(readelf -d "$build/vellipo")
grep -q 'NEEDED.*\[libcorvane\.so\.0\]' <<<"$dynamic" || fail "libcorvane.so.0 is not needed"
nm -D --defined-only "$build/vellipo" | grep -Eq ' [BD] u_current$' || fail "u_current is not exported"
nm "$build/vellipo" | grep -Eq ' T (read_records|sort_urec)$' && fail "the library is linked in statically"
libdir=$(sed -n 's/^CMAKE_INSTALL_FULL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$libdir" ] || libdir=$(sed -n 's/^CMAKE_INSTALL_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")/lib

work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-install.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
prefix="$work/some where"
notes=$(cmake --install "$build" --prefix "$prefix" 2>&1 >/dev/null) || fail "cmake --install failed: $notes"
# A prefix of one's own: the install says that systemd does not read its units.
grep -qF "the systemd units are in $prefix/lib/systemd/system, which systemd does not read" <<<"$notes" ||
	fail "the install into $prefix says nothing of its units: $notes"
for file in bin/vellipo sbin/corvane-record lib/libcorvane.so.0 include/corvane.h include/corvane_store.h \
	share/man/man1/vellipo.1 share/man/man8/corvane-record.8; do
	[ -e "$prefix/$file" ] || fail "$file is not installed"
done
if [ -e "$prefix/lib/libcorvane.so.0" ]; then
	readelf -d "$prefix/lib/libcorvane.so.0" | grep -q 'SONAME.*\[libcorvane\.so\.0\]' ||
		fail "the library's SONAME is not libcorvane.so.0"
fi

# Both installed programs run and load the library of their prefix.
export CORVANE_RECORDS="$work/records"
cp "$fixtures/default.records" "$CORVANE_RECORDS"
for program in bin/vellipo sbin/corvane-record; do
	[ -e "$prefix/$program" ] || continue
	path=$(runpath "$prefix/$program")
	[[ ":$path:" == *':$ORIGIN/../lib:'* ]] || fail "$program: run path '$path' lacks \$ORIGIN/../lib"
	[[ ":$path:" == *":$libdir:"* ]] || fail "$program: run path '$path' lacks $libdir"
	loaded=$(env -u LD_LIBRARY_PATH ldd "$prefix/$program" | sed -n 's/^\tlibcorvane\.so\.0 => \(.*\) (0x.*/\1/p')
	[ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$prefix/lib/libcorvane.so.0")" ] ||
		fail "$program loads '$loaded', not the library of its prefix"
done
out=$(env -u LD_LIBRARY_PATH "$prefix/bin/vellipo" -a 2>&1) || fail "the installed vellipo failed: $out"
grep -q '^->' <<<"$out" || fail "the installed vellipo shows no running boot: $out"
out=$(env -u LD_LIBRARY_PATH "$prefix/sbin/corvane-record" -f "$work/new" 2>&1) ||
	fail "the installed corvane-record failed: $out"
[ "$(grep -vc '^#' "$work/new" 2>/dev/null)" = 1 ] || fail "the installed corvane-record wrote no record"
[ "$failed" = 0 ] && echo "linked and installed as expected"
exit "$failed"
