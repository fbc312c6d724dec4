#!/usr/bin/env bash
# The rule pack of examples/prometheus: promtool finds its rules well formed
# and its cases (corvane.rules.test.yml) pass; and each rule, swapped for
# the obvious version that gets it wrong, fails those cases.  A naive
# version that passed would mean a case is missing.
#
# Exits 77 (skipped) when promtool (Debian's prometheus) is missing, except
# under CI.
# shellcheck disable=SC2015 # "A && B || fail": fail unless both hold
# shellcheck source=recorder/tests/common.sh
. "$(dirname "$0")/common.sh"
make_work rules
pack="$(dirname "$0")/../../examples/prometheus"
command -v promtool >/dev/null || skip_test "promtool (package prometheus) is missing"

promtool check rules "$pack/corvane.rules.yml" >"$work/check" 2>&1 || {
	fail "promtool check rules:"
	cat "$work/check"
}
promtool test rules "$pack/corvane.rules.test.yml" >"$work/test" 2>&1 || {
	fail "promtool test rules:"
	cat "$work/test"
}

# swap RULE EXPR: the pack in $work/swapped with the expression of the
# alert or recording rule RULE replaced by EXPR (the lines of its expr:
# key, the key's own and those indented deeper), and its cases beside it.
swap() {
	mkdir -p "$work/swapped"
	cp "$pack/corvane.rules.test.yml" "$work/swapped/"
	awk -v rule="$1" -v expr="$2" '
		function indent(line) { match(line, /^ */); return RLENGTH }
		skipping && (/^ *$/ || indent($0) > key) { next }
		{ skipping = 0 }
		$0 ~ "^ *- (alert|record): " rule "$" { in_rule = 1 }
		in_rule && /^ *expr:/ {
			key = indent($0)
			gsub(/'\''/, "'\'''\''", expr)
			printf "%*sexpr: '\''%s'\''\n", key, "", expr
			in_rule = 0; skipping = 1; swapped++
			next
		}
		{ print }
		END { exit swapped != 1 }
	' "$pack/corvane.rules.yml" >"$work/swapped/corvane.rules.yml"
}

# The swap itself is sound: the pack's own expression swapped in passes.
swap CorvaneRebootLoop \
	'instance:corvane_boots:held - instance:corvane_boots:held offset 1h >= 3' ||
	fail "the swap found no CorvaneRebootLoop"
promtool test rules "$work/swapped/corvane.rules.test.yml" >"$work/out" 2>&1 ||
	fail "the pack's own expression, swapped in, fails: $(cat "$work/out")"

# RULE|NAIVE EXPRESSION, one a line; each must fail the cases.
unclean='max without (end) (corvane_ended_boots{end="unclean"}'
rejected=0
while IFS='|' read -r rule naive; do
	[ -n "$rule" ] || continue
	if ! swap "$rule" "$naive"; then
		fail "$rule: not found in the pack"
		continue
	fi
	if promtool test rules "$work/swapped/corvane.rules.test.yml" >"$work/out" 2>&1; then
		fail "$rule: the naive $naive passes the cases"
	else
		# The first case that failed, for the log.
		case_seen=$(grep -m1 -E 'alertname: |expr: ' "$work/out" | sed 's/^ *//')
		echo "rejected: $rule = $naive  ($case_seen)"
		rejected=$((rejected + 1))
	fi
done <<EOF
instance:corvane_unclean_ends:held|$unclean)
CorvaneUncleanShutdown|$unclean) - $unclean offset 1h) > 0
CorvaneUncleanShutdown|changes($unclean)[1h:1m]) > 0
CorvaneUncleanShutdown|sum without (end) (changes(corvane_ended_boots{end="unclean"}[1h])) > 0
CorvaneUncleanShutdown|sum without (end) (increase(corvane_ended_boots{end="unclean"}[1h])) > 0
CorvaneUncleanShutdown|sum without (end) (delta(corvane_ended_boots{end="unclean"}[1h])) > 0
CorvaneUncleanShutdown|$unclean) > 0
CorvaneUncleanShutdown|$unclean) > last_over_time($unclean)[1h:1m] offset 5m)
CorvaneUncleanShutdown|time() - corvane_last_unclean_end_timestamp_seconds < 3600
instance:corvane_boots:held|corvane_boots
CorvaneRebootLoop|changes(corvane_boots[1h]) >= 3
CorvaneRebootLoop|resets(corvane_uptime_seconds[1h]) >= 3
CorvaneRebootLoop|corvane_boots - corvane_boots offset 1h >= 3
CorvaneRebootLoop|increase(corvane_boots[1h]) >= 3
CorvaneRebootLoop|max_over_time(corvane_boots[1h]) - min_over_time(corvane_boots[1h]) >= 3
CorvaneUptimeRecord|corvane_rank == 1
CorvaneUptimeRecord|corvane_rank == 1 unless corvane_rank offset 1h == 1
CorvaneUptimeRecord|corvane_rank < corvane_rank offset 1h
CorvaneUptimeRecord|changes(corvane_rank[1h]) > 0
CorvaneRecorderStopped|absent(corvane_boots)
CorvaneRecorderStopped|changes(node_textfile_mtime_seconds{file="corvane.prom"}[15m]) == 0
CorvaneRecorderStopped|time() - timestamp(corvane_boots) > 900
CorvaneRecorderStopped|time() - node_textfile_mtime_seconds > 900
CorvaneRecorderStopped|time() - node_textfile_mtime_seconds{file="corvane.prom"} > 900
instance:corvane_availability:ratio|max by (instance) (corvane_availability_ratio)
:corvane_availability:ratio|avg(corvane_availability_ratio)
:corvane_availability:ratio|avg(instance:corvane_availability:ratio)
:corvane_availability:ratio|sum(corvane_recorded_uptime_seconds) / (sum(corvane_recorded_uptime_seconds) + sum(corvane_recorded_downtime_seconds))
instance:corvane_unclean_ends:delta1d|max by (instance) (increase(corvane_ended_boots{end="unclean"}[1d]))
instance:corvane_unclean_ends:delta1d|max by (instance) (delta(corvane_ended_boots{end="unclean"}[1d]))
instance:corvane_unclean_ends:delta1d|max by (instance) (corvane_ended_boots{end="unclean"} - corvane_ended_boots{end="unclean"} offset 1d)
instance:corvane_unclean_ends:delta1d|max by (instance) (instance:corvane_unclean_ends:held - instance:corvane_unclean_ends:held offset 1d)
EOF

[ "$failed" = 0 ] && echo "rules: the pack checks and passes its cases; $rejected naive versions fail them"
exit "$failed"
