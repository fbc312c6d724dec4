#!/usr/bin/env bash
# Builds the program against a records library already on the machine
# (-DVELLIPO_SYSTEM_CORVANE=ON): the stand-in library, installed under a
# temporary prefix, stands for it.  That build must link the stand-in, and
# its tests (the stand-in's cases and the check of the program's imports)
# must pass.
#
#   system_corvane_test.sh SOURCE_DIR
set -u
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vellipo-system-corvane.XXXXXX") || exit 2
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
jobs=$(nproc 2>/dev/null || echo 2)

run() {
	if ! "$@" >"$work/log" 2>&1; then
		echo "FAIL: $*"
		tail -n 40 "$work/log"
		exit 1
	fi
}

run cmake -S "$source_dir/tests/standin" -B "$work/standin" -DCMAKE_INSTALL_PREFIX="$work/prefix"
run cmake --build "$work/standin" -j "$jobs"
run cmake --install "$work/standin"
[ -f "$work/prefix/lib/libcorvane.so.0" ] || {
	echo "FAIL: the stand-in did not install lib/libcorvane.so.0"
	exit 1
}

run cmake -S "$source_dir" -B "$work/build" -DVELLIPO_SYSTEM_CORVANE=ON -DVELLIPO_TESTS=ON \
	-DVELLIPO_WERROR=ON -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run cmake --build "$work/build" -j "$jobs"
# The program's run path names the prefix, where it finds the stand-in.
if ! LD_LIBRARY_PATH='' ldd "$work/build/vellipo" | grep -q "$work/prefix/lib/libcorvane.so.0"; then
	echo "FAIL: vellipo does not load the library of the prefix:"
	ldd "$work/build/vellipo"
	exit 1
fi
run ctest --test-dir "$work/build" -j "$jobs" --output-on-failure
count=$(grep -c 'Test *#' "$work/log")
if ! grep -q 'library_symbols' "$work/log" || ! grep -q 'standin/' "$work/log"; then
	echo "FAIL: the build on the system's library ran neither the stand-in's cases nor the imports check"
	cat "$work/log"
	exit 1
fi
echo "built against the stand-in of the prefix; $count tests passed there"
