#!/usr/bin/env bash
# Times the query road and the overall-summary road of the real window
# (offscreen) against the project's ausearch/aureport run alone on the same
# generated trail, and prints the ratios, the start-up time and the idle
# window's resident memory; the query road against its floor, the search and
# the three statistics pipelines run one after another with nothing else (the
# pipelines read the whole result.log after the search, so the road cannot go
# below that); and the query road of one
# command (sudo, the command a generated trail has most runs of, or
# $KVR_BENCH_COMMAND) with and without the runs file the search writes
# (without: an ausearch that runs the real one with KVR_AUDITREPORT_RUNS
# removed from its environment; with: the same wrapper keeping it; the
# program puts the tools directory beside its own binary first on PATH, so
# each side runs a copy of the bench program in a tree of its own whose tools
# directory holds the wrapper). Not part of ctest.
#
#   bench/query/run-bench.sh [BUILD_DIR] [EVENTS] [SEED]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
events=${2:-200000}
seed=${3:-7}
tools=$build/libexec/kvr-auditreport
bench=$build/bin/kvr-bench-query
gen=$build/bin/kvr-gen-trail
for f in "$tools/ausearch" "$tools/aureport" "$bench" "$gen"; do
  [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TZ=${TZ:-UTC}
export PATH=$tools:$PATH
export KVR_AUDITREPORT_DATA_DIR=$work/data KVR_AUDITREPORT_LOG=$work/trail.log
mkdir -p "$KVR_AUDITREPORT_DATA_DIR"

"$gen" --events "$events" --seed "$seed" --out "$work/trail.log" >/dev/null
echo "trail: $events events, $(du -m "$work/trail.log" | cut -f1) MB"

seconds() { # command... -> wall seconds
  local t0 t1
  t0=$(date +%s%N); "$@"; t1=$(date +%s%N)
  echo "scale=3; ($t1 - $t0) / 1000000000" | bc
}
result() { grep "^RESULT $1 " "$2" | cut -d' ' -f3; }

# The overall summary's time-range line gives the query's dates.
aureport --summary > "$work/all.txt"
range=$(grep -m1 '时间范围' "$work/all.txt")
first=$(echo "$range" | awk '{print $2}')
last=$(echo "$range" | awk '{print $(NF-1)}')
[ "$first" != "$last" ] || first=$(date -d "$first - 1 day" +%F)
mdy() { date -d "$1" +%-m/%-d/%y; }

# The search with and without its runs file, through the same kind of
# wrapper so that both sides pay the same for it.
command=${KVR_BENCH_COMMAND:-sudo}
relative=$(realpath --relative-to="$build/bin" "$tools")
for side in runs noruns; do
  mkdir -p "$work/$side/bin" "$work/$side/bin/$relative"
  cp "$bench" "$work/$side/bin/"
  ln -s "$tools/aureport" "$work/$side/bin/$relative/aureport"
  { echo '#!/bin/sh'
    [ "$side" = runs ] || echo 'unset KVR_AUDITREPORT_RUNS'
    printf 'exec "%s" "$@"\n' "$tools/ausearch"; } > "$work/$side/bin/$relative/ausearch"
  chmod +x "$work/$side/bin/$relative/ausearch"
done

# Runs alternate, five rounds, and each ratio is the median of the rounds'
# own ratios, so that a passing load on the machine or a cold page cache
# does not favour either side.
search_runs=() query_runs=() floor_runs=() summary_runs=() one_runs=() one_noruns=()
road_ratios=() floor_ratios=() road_floor_ratios=() summary_ratios=()
ratio() { echo "scale=4; $1 / $2" | bc; }
for _ in 1 2 3 4 5; do
  search_runs+=("$(seconds sh -c 'ausearch -i  -ts "$1" -te "$2"  > "$3"' _ "$(mdy "$first")" "$(mdy "$last")" "$work/search.txt")")
  "$bench" query "$first" "$last" >/dev/null 2>"$work/query.txt" || { cat "$work/query.txt" >&2; exit 1; }
  query_runs+=("$(result query_s "$work/query.txt")")
  "$bench" floor "$first" "$last" >/dev/null 2>"$work/floor.txt" || { cat "$work/floor.txt" >&2; exit 1; }
  floor_runs+=("$(result floor_s "$work/floor.txt")")
  "$bench" summary >/dev/null 2>"$work/summary.txt" || { cat "$work/summary.txt" >&2; exit 1; }
  summary_runs+=("$(result summary_s "$work/summary.txt")")
  summary_tool=$(seconds sh -c 'aureport --summary > "$1"' _ "$work/all.txt")
  road_ratios+=("$(ratio "${query_runs[-1]}" "${search_runs[-1]}")")
  floor_ratios+=("$(ratio "${floor_runs[-1]}" "${search_runs[-1]}")")
  road_floor_ratios+=("$(ratio "${query_runs[-1]}" "${floor_runs[-1]}")")
  summary_ratios+=("$(ratio "${summary_runs[-1]}" "$summary_tool")")
done
# The one-command road with and without the runs file: a difference of a
# tenth of a second, which the best of three runs does not measure steadily,
# so nine pairs in turn and the median of their ratios.
one_ratios=()
for _ in 1 2 3 4 5 6 7 8 9; do
  "$work/runs/bin/kvr-bench-query" query "$first" "$last" "$command" >/dev/null 2>"$work/one.txt" \
    || { cat "$work/one.txt" >&2; exit 1; }
  one_runs+=("$(result query_s "$work/one.txt")")
  [ -s "$KVR_AUDITREPORT_DATA_DIR/runs.log" ] || { echo "no runs file written" >&2; exit 1; }
  "$work/noruns/bin/kvr-bench-query" query "$first" "$last" "$command" >/dev/null 2>"$work/onenoruns.txt" \
    || { cat "$work/onenoruns.txt" >&2; exit 1; }
  one_noruns+=("$(result query_s "$work/onenoruns.txt")")
  [ ! -e "$KVR_AUDITREPORT_DATA_DIR/runs.log" ] || { echo "runs file written without it" >&2; exit 1; }
  one_ratios+=("$(echo "scale=4; ${one_runs[-1]} / ${one_noruns[-1]}" | bc)")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
KVR_BENCH_T0_NS=$(date +%s%N) "$bench" startup >/dev/null 2>"$work/startup.txt"

printf "range: %s .. %s, records in the table: %.0f (medians of 5 rounds)\n" "$first" "$last" \
  "$(result query_records "$work/query.txt")"
printf 'query road   %6.2f s   ausearch -i alone %6.2f s   ratio %.2f (limit 1.45)\n' \
  "$(median "${query_runs[@]}")" "$(median "${search_runs[@]}")" "$(median "${road_ratios[@]}")"
printf 'search, then the three pipelines alone %6.2f s: ratio %.2f to the search; query road / that %.2f\n' \
  "$(median "${floor_runs[@]}")" "$(median "${floor_ratios[@]}")" "$(median "${road_floor_ratios[@]}")"
printf 'summary road %6.2f s   ratio %.2f to aureport alone (limit 1.5)\n' \
  "$(median "${summary_runs[@]}")" "$(median "${summary_ratios[@]}")"
printf 'start-up to shown window %.0f ms (limit 500)\n' "$(result startup_ms "$work/startup.txt")"
printf 'idle window resident memory %.1f MB (limit 80)\n' "$(result idle_rss_mb "$work/startup.txt")"
printf '%s query road with the runs file %6.2f s, without it %6.2f s (medians): ratio %.3f, median of 9 pairs (limit 1.10), records in the table: %.0f\n' \
  "$command" "$(median "${one_runs[@]}")" "$(median "${one_noruns[@]}")" "$(median "${one_ratios[@]}")" \
  "$(result query_records "$work/one.txt")"
