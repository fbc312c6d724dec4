#!/usr/bin/env bash
# Checks how the program is linked and what an install lays down:
#   install_test.sh BUILD_DIR
# The program needs libcorvane.so.0 dynamically, looks it up in
# /usr/local/lib, and exports u_current for the library to read; an install
# puts the program, the library with its SONAME links and the header in place.
set -u
build=$1
failed=0
fail() {
	echo "FAIL: $*"
	failed=1
}

dynamic=$(readelf -d "$build/vellipo")
grep -q 'NEEDED.*\[libcorvane\.so\.0\]' <<<"$dynamic" || fail "libcorvane.so.0 is not needed"
runpath=$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p' <<<"$dynamic")
[[ ":$runpath:" == *:/usr/local/lib:* ]] || fail "run path '$runpath' lacks /usr/local/lib"
nm -D --defined-only "$build/vellipo" | grep -Eq ' [BD] u_current$' || fail "u_current is not exported"
nm "$build/vellipo" | grep -Eq ' T (read_records|sort_urec)$' && fail "the library is linked in statically"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for file in bin/vellipo lib/libcorvane.so.0 include/corvane.h share/man/man1/vellipo.1; do
	[ -e "$prefix/$file" ] || fail "$file is not installed"
done
if [ -e "$prefix/bin/vellipo" ]; then
	installed=$(readelf -d "$prefix/bin/vellipo" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
	[ "$installed" = /usr/local/lib ] || fail "installed run path is '$installed'"
fi
if [ -e "$prefix/lib/libcorvane.so.0" ]; then
	readelf -d "$prefix/lib/libcorvane.so.0" | grep -q 'SONAME.*\[libcorvane\.so\.0\]' ||
		fail "the library's SONAME is not libcorvane.so.0"
fi
[ "$failed" = 0 ] && echo "linked and installed as expected"
exit "$failed"
