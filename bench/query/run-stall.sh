#!/usr/bin/env bash
# The window's event loop during a large query: drives the real window
# offscreen through a query of a generated trail of EVENTS events (all event
# types, the whole range) and prints the longest gap between two ticks of a
# 5 ms timer meanwhile (limit 100 ms), and the query's time beside the search
# tool's alone on the same trail. Not part of ctest: about 10 s and 1.5 GB
# of disk at the default size.
#
#   bench/query/run-stall.sh [BUILD_DIR] [EVENTS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
events=${2:-1000000}
tools=$build/libexec/kvr-auditreport
bench=$build/bin/kvr-bench-query
gen=$build/bin/kvr-gen-trail
for f in "$tools/ausearch" "$bench" "$gen"; do
  [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=${TZ:-UTC}
export PATH=$tools:$PATH
export KVR_AUDITREPORT_DATA_DIR=$work/data KVR_AUDITREPORT_LOG=$work/trail.log
mkdir -p "$KVR_AUDITREPORT_DATA_DIR"

"$gen" --events "$events" --seed 7 --out "$work/trail.log" >/dev/null
echo "trail: $events events, $(du -m "$work/trail.log" | cut -f1) MB"
range=$(aureport --summary | grep -m1 '时间范围')
first=$(echo "$range" | awk '{print $2}')
last=$(echo "$range" | awk '{print $(NF-1)}')
[ "$first" != "$last" ] || first=$(date -d "$first - 1 day" +%F)

t0=$(date +%s%N)
ausearch -i -ts "$(date -d "$first" +%-m/%-d/%y)" -te "$(date -d "$last" +%-m/%-d/%y)" > "$work/search.txt"
t1=$(date +%s%N)
"$bench" stall "$first" "$last" >/dev/null 2>"$work/stall.txt" || { cat "$work/stall.txt" >&2; exit 1; }
result() { grep "^RESULT $1 " "$work/stall.txt" | cut -d' ' -f3; }
printf 'query of %s .. %s: %.2f s (ausearch -i alone %.2f s), records in the table: %.0f\n' \
  "$first" "$last" "$(result query_s)" "$(echo "scale=3; ($t1 - $t0) / 1000000000" | bc)" \
  "$(result query_records)"
printf 'longest stall of the window'"'"'s event loop during the query: %.1f ms at %.2f s (limit 100);\n' \
  "$(result longest_stall_ms)" "$(result longest_stall_at_s)"
printf '  the same window idle for 2 s just before: %.1f ms\n' "$(result longest_idle_stall_ms)"
