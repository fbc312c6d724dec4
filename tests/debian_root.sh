#!/usr/bin/env bash
# Makes, once, a minimal Debian 12 root for the tests that need a fresh
# machine, and prints the path of its tarball.
#
#   debian_root.sh NAME [PACKAGE...]
#
# The root is mmdebstrap's minbase variant of bookworm with the packages
# named added, made from this machine's own apt sources and kept as a tarball
# in $VELLIPO_ROOT_CACHE (/var/cache/vellipo-test-roots), under a name that
# holds NAME and a hash of the package list and of this script: a later run
# with the same list reuses it, a new list makes a new one (and removes the
# older tarballs of that NAME).  Callers unpack it into a folder of their own
# and remove that folder when done; the tarball stays for the next run.
#
# Exit status 77 when mmdebstrap is missing (see skip.sh for what CI does).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/skip.sh
. "$here/skip.sh"

[ $# -ge 1 ] || {
	echo "usage: debian_root.sh NAME [PACKAGE...]" >&2
	exit 2
}
name=$1
shift
command -v mmdebstrap >/dev/null || skip_test "mmdebstrap is not installed"

cache=${VELLIPO_ROOT_CACHE:-/var/cache/vellipo-test-roots}
mkdir -p "$cache"
packages=$(printf '%s\n' "$@" | sort -u | paste -sd, -)
key=$( (printf '%s\n' "$packages"; cat "$0") | sha256sum | cut -c1-16)
tarball="$cache/$name-$key.tar"

# One maker at a time per cache, so that two tests started together wait
# for one root rather than making it twice.
exec 9>"$cache/.lock"
flock 9
if [ ! -s "$tarball" ]; then
	sources=()
	for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
		[ -s "$file" ] && sources+=("$file")
	done
	[ "${#sources[@]}" -gt 0 ] || {
		echo "debian_root.sh: this machine has no apt sources to make a root from" >&2
		exit 1
	}
	include=()
	[ -n "$packages" ] && include=(--include="$packages")
	log="$cache/$name-$key.log"
	if ! mmdebstrap --variant=minbase --format=tar "${include[@]}" bookworm "$tarball.new" "${sources[@]}" \
		</dev/null >"$log" 2>&1; then
		echo "debian_root.sh: mmdebstrap failed; its last lines:" >&2
		tail -n 20 "$log" >&2
		rm -f "$tarball.new"
		exit 1
	fi
	mv "$tarball.new" "$tarball"
	rm -f "$log"
	find "$cache" -maxdepth 1 -name "$name-*.tar" ! -name "$name-$key.tar" -delete
fi
echo "$tarball"
