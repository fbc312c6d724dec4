# shellcheck shell=bash
# lighttpd.sh - a lighttpd of the test's own, on a free loopback port, for
# the web server tests, sourced once the test has made $work (its folder,
# which holds the server's configuration and logs, taken away on every way
# out); start_lighttpd reads $docroot and the array cgi_env (the NAME=VALUE
# pairs that mod_setenv gives a CGI program):
#
#   . "$here/lighttpd.sh"
#   start_lighttpd MODULES [LINE...]  # $port, $server_pid; fail when it cannot
#   stop_server                       # by its pid, also on every way out
#   fail MESSAGE                      # ends the test, with the server's log
#
# MODULES is the server.modules list ('"mod_setenv", "mod_cgi"'), each LINE
# a further line of the configuration.  The server runs as the test's user
# (run as root it keeps running as root: no user to switch to is named),
# and gives a CGI program only the CGI variables and cgi_env.
lighttpd=$(PATH="$PATH:/usr/sbin:/usr/local/sbin" command -v lighttpd)
server_pid=

# Stops the server this test started, by its pid.
stop_server() {
	[ -n "$server_pid" ] || return 0
	if kill -0 "$server_pid" 2>/dev/null; then
		kill "$server_pid" 2>/dev/null
		for _ in $(seq 50); do
			kill -0 "$server_pid" 2>/dev/null || break
			sleep 0.1
		done
		kill -KILL "$server_pid" 2>/dev/null
	fi
	wait "$server_pid" 2>/dev/null
	server_pid=
}

trap 'stop_server; rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
	echo "FAIL: $*"
	if [ -s "$work/error.log" ]; then
		echo "server error log:"
		cat "$work/error.log"
	fi
	exit 1
}

# write_config PORT MODULES [LINE...]: the configuration, in $work.
write_config() {
	local port=$1 modules=$2
	shift 2
	{
		echo "server.document-root = \"$docroot\""
		echo "server.bind = \"127.0.0.1\""
		echo "server.port = $port"
		echo "server.errorlog = \"$work/error.log\""
		echo 'server.compat-module-load = "disable"'
		echo "server.modules = ($modules)"
		printf '%s\n' "$@"
		echo 'cgi.assign = (".cgi" => "")'
		echo 'setenv.set-environment = ('
		local first=1 pair
		for pair in "${cgi_env[@]}"; do
			[ "$first" = 1 ] || echo ','
			first=0
			printf '  "%s" => "%s"' "${pair%%=*}" "${pair#*=}"
		done
		echo ')'
	} >"$work/lighttpd.conf"
}

# True when something accepts connections on the port.
port_open() {
	(exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A free port is taken at random; when the server cannot have it after all
# (another program took it first) it stops, and the next one is tried.
start_lighttpd() {
	local candidate
	port=
	for _ in $(seq 10); do
		candidate=$((20000 + RANDOM % 40000))
		port_open "$candidate" && continue
		write_config "$candidate" "$@"
		"$lighttpd" -tt -f "$work/lighttpd.conf" >"$work/check.log" 2>&1 || {
			cat "$work/check.log"
			fail "lighttpd rejects the configuration"
		}
		"$lighttpd" -D -f "$work/lighttpd.conf" >"$work/server.out" 2>&1 </dev/null &
		server_pid=$!
		for _ in $(seq 100); do
			kill -0 "$server_pid" 2>/dev/null || break
			port_open "$candidate" && break
			sleep 0.1
		done
		if kill -0 "$server_pid" 2>/dev/null && port_open "$candidate"; then
			port=$candidate
			return 0
		fi
		cat "$work/server.out"
		stop_server
	done
	fail "lighttpd did not start on a loopback port"
}
