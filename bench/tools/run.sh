#!/bin/bash
# Times the project's ausearch and aureport against the stock audit tools on
# generated trails of 55,000, N and 5*N events, side by side in one run, and
# prints the ratios. Builds nothing: point it at a configured and built tree.
#
#   bench/tools/run.sh [N [BUILD_DIR]]     (N defaults to 200000)
#   KVR_BUILD_DIR=/path/to/build bench/tools/run.sh
#
# The stock tools read the same files with -if FILE < /dev/null. The stock
# ausearch -i and aureport take minutes at N=200000; they are not run at 5*N.
set -euo pipefail

N=${1:-200000}
BIG=$((N * 5))
# What a default auditd keeps: five files of 8 MB.
SMALL=55000
BUILD=${2:-${KVR_BUILD_DIR:-$(cd "$(dirname "$0")/../.." && pwd)/build}}
TOOLS=$BUILD/libexec/kvr-auditreport
GEN=$BUILD/bin/kvr-gen-trail
MEASURE=$BUILD/bin/kvr-bench-measure
for f in "$TOOLS/ausearch" "$TOOLS/aureport" "$GEN" "$MEASURE"; do
    [ -x "$f" ] || { echo "missing $f (build the project in $BUILD first)" >&2; exit 2; }
done
for f in /usr/sbin/ausearch /usr/sbin/aureport; do
    [ -x "$f" ] || { echo "missing $f (package auditd)" >&2; exit 2; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kvr-bench-tools.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export LC_ALL=C

# measure NAME OUTFILE CMD... -> sets TIME_<NAME>, RSS_<NAME>, CPU_<NAME>
measure() {
    local name=$1 out=$2
    shift 2
    local wall rss code cpu
    read -r wall rss code cpu < <("$MEASURE" "$out" -- "$@")
    printf '  %-34s %9.2f s %8d KB  exit %d  cpu %6.2f s\n' "$name" "$wall" "$rss" "$code" "$cpu"
    printf -v "TIME_$name" '%s' "$wall"
    printf -v "RSS_$name" '%s' "$rss"
    printf -v "CPU_$name" '%s' "$cpu"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.001; printf "%.1f", a / b }'; }
verdict() { awk -v v="$1" -v lim="$3" -v op="$2" 'BEGIN {
    ok = (op == ">=") ? (v >= lim) : (op == "<=") ? (v <= lim) : (v < lim)
    print ok ? "ok" : "NOT MET" }'; }

echo "Generating trails of $SMALL, $N and $BIG events in $WORK ..."
"$GEN" --events "$SMALL" --seed 1 --out "$WORK/default.log"
"$GEN" --events "$N" --seed 1 --out "$WORK/small.log"
"$GEN" --events "$BIG" --seed 1 --out "$WORK/big.log"
ls -l "$WORK/default.log" "$WORK/small.log" "$WORK/big.log" \
    | awk '{ printf "  %s: %.0f MB\n", $NF, $5 / 1048576 }'
# The window reads the progress lines of the tools from a pipe.
exec 3> >(cat > /dev/null)

echo "Runs (wall time, peak RSS):"
# Every search writes to a file, as the program's search does. Runs compared
# with each other alternate five times and the best run of each counts, so
# that a passing load on the machine favours neither side.
best() { # NAME: keeps the smallest TIME_NAME and CPU_NAME seen, and the largest RSS_NAME
    local t=TIME_$1 b=BEST_$1 u=CPU_$1 bc=BESTCPU_$1 r=RSS_$1 br=MAXRSS_$1
    if [ -z "${!b:-}" ] || awk -v a="${!t}" -v c="${!b}" 'BEGIN { exit !(a < c) }'; then
        printf -v "$b" '%s' "${!t}"
    fi
    if [ -z "${!bc:-}" ] || awk -v a="${!u}" -v c="${!bc}" 'BEGIN { exit !(a < c) }'; then
        printf -v "$bc" '%s' "${!u}"
    fi
    if [ -z "${!br:-}" ] || [ "${!r}" -gt "${!br}" ]; then
        printf -v "$br" '%s' "${!r}"
    fi
}
for _ in 1 2 3 4 5; do
    measure our_search_default "$WORK/os.txt" "$TOOLS/ausearch" -i -if "$WORK/default.log"; best our_search_default
    measure stock_raw_default "$WORK/raw.txt" /usr/sbin/ausearch --raw -if "$WORK/default.log"; best stock_raw_default
done
for _ in 1 2 3 4 5; do
    measure our_search_small "$WORK/os.txt" "$TOOLS/ausearch" -i -if "$WORK/small.log"; best our_search_small
    measure stock_raw_small "$WORK/raw.txt" /usr/sbin/ausearch --raw -if "$WORK/small.log"; best stock_raw_small
    measure our_search_progress "$WORK/os.txt" env KVR_AUDITREPORT_PROGRESS_FD=3 \
        "$TOOLS/ausearch" -i -if "$WORK/small.log"; best our_search_progress
done
TIME_our_search_small=$BEST_our_search_small
TIME_stock_raw_small=$BEST_stock_raw_small
rm -f "$WORK/raw.txt"
# Growth: the search at 5*N and at N alternate three times, and the median
# of the three ratios counts: a load passing by weighs on both runs of a
# pair, where the best of short runs would catch quiet moments more often
# than the best of long ones.
GROWTH=()
for _ in 1 2 3; do
    measure our_search_big "$WORK/ob.txt" "$TOOLS/ausearch" -i -if "$WORK/big.log"; best our_search_big
    rm -f "$WORK/ob.txt"
    measure our_search_pair "$WORK/os.txt" "$TOOLS/ausearch" -i -if "$WORK/small.log"
    GROWTH+=("$(awk -v a="$CPU_our_search_big" -v b="$CPU_our_search_pair" \
        'BEGIN { if (b <= 0) b = 0.001; printf "%.2f", a / b }')")
done
RSS_our_search_big=$MAXRSS_our_search_big
measure our_report_small "$WORK/or.txt" "$TOOLS/aureport" --summary -if "$WORK/small.log"
measure our_report_big /dev/null "$TOOLS/aureport" --summary -if "$WORK/big.log"
# The query users make most: one program. Ours, the stock search and grep
# alternate, best of three each.
for _ in 1 2 3; do
    measure our_file_small "$WORK/of.txt" "$TOOLS/ausearch" -i -f /bin/chown -if "$WORK/small.log"; best our_file_small
    measure stock_file_small "$WORK/sf.txt" /usr/sbin/ausearch -i -f /bin/chown -if "$WORK/small.log"; best stock_file_small
    measure grep_small "$WORK/g.txt" env LC_ALL=C grep -cF chown "$WORK/small.log"; best grep_small
done
rm -f "$WORK/of.txt" "$WORK/sf.txt" "$WORK/g.txt"
# The stock ausearch -i spends its time looking up ids the account database
# lacks. Measured with the trail's uids absent (as generated) and, as root,
# present (accounts added with useradd for the run, removed after).
measure stock_search_small "$WORK/si.txt" /usr/sbin/ausearch -i -if "$WORK/small.log"
rm -f "$WORK/si.txt"
ADDED=()
remove_accounts() { for a in "${ADDED[@]}"; do userdel "$a" 2>/dev/null || true; done; }
trap 'remove_accounts; rm -rf "$WORK"' EXIT
if [ "$(id -u)" = 0 ] && command -v useradd >/dev/null; then
    for uid in $(awk 'match($0, / auid=[0-9]+/) { print substr($0, RSTART + 6, RLENGTH - 6) }' "$WORK/small.log" \
                 | sort -un | awk '$1 < 4294967295'); do
        getent passwd "$uid" >/dev/null && continue
        if useradd -M -N -o -u "$uid" -s /usr/sbin/nologin "kvrbench$uid" 2>/dev/null; then
            ADDED+=("kvrbench$uid")
        fi
    done
    measure stock_search_small_present "$WORK/si.txt" /usr/sbin/ausearch -i -if "$WORK/small.log"
    rm -f "$WORK/si.txt"
    remove_accounts
    ADDED=()
else
    echo "  (not root: stock ausearch -i with the uids present not measured)"
    TIME_stock_search_small_present=0
fi
measure stock_report_small "$WORK/sr.txt" /usr/sbin/aureport --summary -if "$WORK/small.log"

# The 23 figures, in order, of each summary.
stock_figures=$(awk -F': ' '/^Number of /{ print $2 }' "$WORK/sr.txt" | tr '\n' ' ')
our_figures=$(awk 'NR > 4 && NF == 2 { print $2 }' "$WORK/or.txt" | tr '\n' ' ')
same=$([ "$stock_figures" = "$our_figures" ] && [ -n "$our_figures" ] && echo identical || echo DIFFERENT)

d2=$(ratio "$BEST_our_search_default" "$BEST_stock_raw_default")
d2c=$(ratio "$BESTCPU_our_search_default" "$BESTCPU_stock_raw_default")
pc=$(awk -v a="$BESTCPU_our_search_progress" -v b="$BESTCPU_our_search_small" \
    'BEGIN { if (b <= 0) b = 0.001; printf "%.2f", a / b }')
f1=$(ratio "$BEST_stock_file_small" "$BEST_our_file_small")
f2=$(ratio "$BEST_our_file_small" "$BEST_grep_small")
f1c=$(ratio "$BESTCPU_stock_file_small" "$BESTCPU_our_file_small")
f2c=$(ratio "$BESTCPU_our_file_small" "$BESTCPU_grep_small")
r2c=$(ratio "$BESTCPU_our_search_small" "$BESTCPU_stock_raw_small")
r1p=$(ratio "$TIME_stock_search_small_present" "$TIME_our_search_small")
r1=$(ratio "$TIME_stock_search_small" "$TIME_our_search_small")
r2=$(ratio "$TIME_our_search_small" "$TIME_stock_raw_small")
r3=$(ratio "$TIME_stock_report_small" "$TIME_our_report_small")
g1=$(printf '%s\n' "${GROWTH[@]}" | sort -n | sed -n 2p)
g2=$(ratio "$CPU_our_report_big" "$CPU_our_report_small")
echo
echo "Results at N=$N (also at $SMALL; growth and memory at $BIG):"
printf '  %-52s %7s  (>= 3)  %s\n' "stock -i -f /bin/chown / ours (wall)" "$f1" "$(verdict "$f1" '>=' 3)"
printf '  %-52s %7s  (>= 3)  %s\n' "stock -i -f /bin/chown / ours (cpu)" "$f1c" "$(verdict "$f1c" '>=' 3)"
printf '  %-52s %7s  (<= 5)  %s\n' "our -i -f /bin/chown / grep -cF chown (wall)" "$f2" "$(verdict "$f2" '<=' 5)"
printf '  %-52s %7s  (<= 5)  %s\n' "our -i -f /bin/chown / grep -cF chown (cpu)" "$f2c" "$(verdict "$f2c" '<=' 5)"
printf '  %-52s %7s  (>= 20) %s\n' "stock ausearch -i / ours, uids absent" "$r1" "$(verdict "$r1" '>=' 20)"
if [ "$TIME_stock_search_small_present" = 0 ]; then
    printf '  %-52s %7s\n' "stock ausearch -i / ours, uids present" "not measured"
else
    printf '  %-52s %7s\n' "stock ausearch -i / ours, uids present" "$r1p"
fi
printf '  %-52s %7s  (<= 2)  %s\n' "our -i / stock --raw at $SMALL, best of 5 (wall)" "$d2" "$(verdict "$d2" '<=' 2)"
printf '  %-52s %7s  (<= 2)  %s\n' "our -i / stock --raw at $SMALL, best of 5 (cpu)" "$d2c" "$(verdict "$d2c" '<=' 2)"
printf '  %-52s %7s  (<= 2)  %s\n' "our -i / stock --raw at $N, best of 5 (wall)" "$r2" "$(verdict "$r2" '<=' 2)"
printf '  %-52s %7s  (<= 2)  %s\n' "our -i / stock --raw at $N, best of 5 (cpu)" "$r2c" "$(verdict "$r2c" '<=' 2)"
printf '  %-52s %7s  (<= 1.03) %s\n' "our -i with / without progress lines (cpu)" "$pc" "$(verdict "$pc" '<=' 1.03)"
printf '  %-52s %7s  (>= 20) %s\n' "stock aureport --summary / our aureport --summary" "$r3" "$(verdict "$r3" '>=' 20)"
printf '  %-52s %7s\n' "summary figures" "$same"
printf '  %-52s %7s  (<= 5.5) %s\n' "our ausearch -i: cpu at $BIG / cpu at $N (median)" "$g1" "$(verdict "$g1" '<=' 5.5)"
printf '  %-52s %s\n' "  the three pairs" "${GROWTH[*]}"
printf '  %-52s %7s  (<= 6)  %s\n' "our aureport: cpu at $BIG / cpu at $N" "$g2" "$(verdict "$g2" '<=' 6)"
for pair in ausearch:search aureport:report; do
    tool=${pair%%:*}
    v=RSS_our_${pair#*:}_big
    mb=$(awk -v k="${!v}" 'BEGIN { printf "%.1f", k / 1024 }')
    printf '  %-52s %7s MB (< 100) %s\n' "our $tool peak memory at $BIG" "$mb" "$(verdict "$mb" '<' 100)"
done
