#!/usr/bin/env bash
# Checks what a program imports from the records library: nothing that the
# library defines beyond urec_list and the calls of records/corvane.h, so
# that the program runs on any records library that gives those, a daemon's
# own included.
#
#   library_symbols_test.sh LIBRARY PROGRAM...
#
# The program's undefined dynamic symbols (nm -D --undefined-only) that the
# library defines (nm -D --defined-only) must all be in the list below.
# Run it on our own library's build, and on any other's.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/skip.sh
. "$here/skip.sh"
command -v nm >/dev/null || skip_test "nm (binutils) is not installed"

library=$1
shift
allowed="urec_list read_uptime readbootid read_sysinfo add_urec read_records sort_urec moveup
time2uptime scantime add_milestone find_next_milestone cat"

# Names alone, without a version suffix (name@VERSION) where there is one.
symbols() { nm -D "$@" | awk '{ print $NF }' | sed 's/@.*//' | sort -u; }
# The C library's own names (time, sleep), which a test library may define
# too, to stand in for the C library's clock: the program asks them of the
# C library, not of the records library.
c_library_names() {
	local libc
	libc=$(ldd "$1" | awk '$1 ~ /^libc\.so/ { print $3 }')
	[ -n "$libc" ] && symbols --defined-only "$libc"
}

defined=$(symbols --defined-only "$library") || exit 1
[ -n "$defined" ] || {
	echo "FAIL: $library defines no symbol"
	exit 1
}
failed=0
for program in "$@"; do
	imported=$(symbols --undefined-only "$program") || exit 1
	c_names=$(c_library_names "$program")
	extra=$(comm -12 <(echo "$defined") <(echo "$imported") |
		comm -23 - <(tr -s ' \n' '\n' <<<"$allowed" | sort -u) |
		comm -23 - <(echo "$c_names"))
	if [ -n "$extra" ]; then
		echo "FAIL: $(basename "$program") imports from $(basename "$library") what a records library need not give:"
		echo "$extra"
		failed=1
	fi
	# The program itself gives u_current, which the library reads.
	if ! nm -D --defined-only "$program" | awk '{ print $NF }' | grep -qx u_current; then
		echo "FAIL: $(basename "$program") does not export u_current"
		failed=1
	fi
done
[ "$failed" = 0 ] && echo "every import from the library is one of its stated calls"
exit "$failed"
