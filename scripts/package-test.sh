#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, starts the installed
# program (offscreen, then under Xvfb for a query of the demo trail), removes
# the package and checks that nothing but the working files is left; purging
# then removes those too.
#
#   bash scripts/package-test.sh [BUILD_DIR]     (default: build-deb)
#
# Needs root and dpkg; exits with 77 and a line starting "SKIP:" where they
# are missing, or where kvr-auditreport is already installed (it is never
# touched then).
set -euo pipefail
# Builtins only up to the dpkg check, so that it runs without a usable PATH.
case $0 in */*) here=${0%/*} ;; *) here=. ;; esac
src=$(cd "$here/.." && pwd)
build=${1:-$src/build-deb}
pkg=kvr-auditreport
data=/usr/share/kvr-duvovedadizuve/apps/kvr-securityaudit/kvr-auditreport

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg >/dev/null || skip "dpkg is not available, so the package cannot be installed here"
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
  skip "$pkg is already installed on this machine; the test leaves it alone"
fi
[ -e "$data" ] && skip "$data exists already (not from this test); the test leaves it alone"
for t in Xvfb xdotool xdpyinfo; do
  command -v "$t" >/dev/null || skip "$t is missing (bash scripts/install-deps.sh)"
done

echo "== building the package in $build"
cmake -S "$src" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DKVR_BUILD_TESTS=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -f "$build"/${pkg}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/${pkg}_*_*.deb)
echo "package: $deb"
dpkg-deb -f "$deb" Depends | grep -q libaudit1 || fail "Depends lacks libaudit1: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks Qt 6 Widgets"
dpkg-deb -f "$deb" Recommends | grep -q auditd || fail "auditd is not recommended"

work=$(mktemp -d)
xvfb= app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed'; then
    dpkg --purge "$pkg" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
  true
}
trap cleanup EXIT

echo "== installing"
rules_before=$(auditctl -l 2>/dev/null || true)
dpkg -i "$deb" >/dev/null
rules=/etc/audit/rules.d/kvr-auditreport.rules
[ -f "$rules" ] || fail "$rules is not installed"
[ "$(auditctl -l 2>/dev/null || true)" = "$rules_before" ] || fail "installing changed the loaded audit rules"
dpkg -L "$pkg" | sort >"$work/files"
[ "$(stat -c '%U %a' "$data")" = "root 755" ] || fail "data directory is $(stat -c '%U %a' "$data"), not root 755"
for f in /usr/bin/kvr-auditreport "$data/locale/zh_CN.qm" "$data/locale/en_US.qm" \
         /usr/share/man/man1/kvr-auditreport.1.gz /usr/share/polkit-1/actions/org.kvrduvovedadizuve.auditreport.run.policy; do
  [ -e "$f" ] || fail "$f is not installed"
done
for tool in ausearch aureport; do
  line=$(/usr/libexec/kvr-auditreport/$tool --version | head -1)
  [[ "$line" == "$tool (kvr-auditreport) "* ]] || fail "installed $tool prints '$line'"
done
desktop=/usr/share/applications/org.kvrduvovedadizuve.AuditReport.desktop
grep -qx 'Exec=pkexec /usr/bin/kvr-auditreport' "$desktop" || fail "menu entry does not run the program through pkexec"
grep -q '>/usr/bin/kvr-auditreport<' /usr/share/polkit-1/actions/org.kvrduvovedadizuve.auditreport.run.policy \
  || fail "polkit action is not for /usr/bin/kvr-auditreport"

echo "== starting the installed program offscreen"
QT_QPA_PLATFORM=offscreen /usr/bin/kvr-auditreport >"$work/offscreen.log" 2>&1 &
app=$!
for _ in $(seq 50); do [ -e "$data/kvr-auditreport.lock" ] && break; sleep 0.1; done
kill -0 "$app" 2>/dev/null || fail "the installed program ended at once: $(cat "$work/offscreen.log")"
[ -e "$data/kvr-auditreport.lock" ] || fail "the installed program took no lock in $data"
kill "$app"; wait "$app" 2>/dev/null || true; app=

echo "== querying the demo trail with the installed program (Xvfb)"
"$build/bin/kvr-gen-trail" --demo --end "$(date -d yesterday +%F)" --out "$work/audit.log" \
  --expect >"$work/expect"
expected=$(awk '$1 == "sudo" && $2 == "*" {print $3}' "$work/expect")
disp=:$((150 + RANDOM % 100))
Xvfb "$disp" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$disp
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
KVR_AUDITREPORT_LOG="$work/audit.log" /usr/bin/kvr-auditreport >"$work/query.log" 2>&1 &
app=$!
xdotool search --sync --onlyvisible --pid "$app" >/dev/null
sleep 1.5
windows=$(xdotool search --onlyvisible --pid "$app" | wc -l)
[ "$windows" -eq 1 ] || fail "the installed program shows $windows windows at start-up (a start-up warning?)"
wx=$(( (1024 - 422) / 2 )); wy=$(( (768 - 595) / 2 ))
click() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; sleep 0.4; }
type_field() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 30 "$3"; sleep 0.3; }
click 88 228
xdotool type --delay 60 sudo; xdotool key Return; sleep 0.4
type_field 82 157 "$(date -d '-27 days' +%Y-%m-%d)"
type_field 242 157 "$(date +%Y-%m-%d)"
click 362 65
for _ in $(seq 50); do [ -s "$data/temp_report" ] && break; sleep 0.2; done
[ -s "$data/temp_report" ] || fail "no report was written: $(cat "$work/query.log")"
count=$(sed -n 2p "$data/temp_report")
[ "$count" = "记录条数：$expected" ] || fail "report says '$count', the demo trail holds $expected sudo runs"
echo "report: $count"
kill "$app"; wait "$app" 2>/dev/null || true; app=
kill "$xvfb"; xvfb=

echo "== removing"
dpkg -r "$pkg" >/dev/null 2>&1
left=()
while read -r f; do
  [ -e "$f" ] || [ -L "$f" ] || continue
  case "$f" in
    "$data") continue ;;                       # holds the working files
    /|/usr|/usr/*/|/etc|/etc/audit|/etc/audit/rules.d) continue ;;
  esac
  if [ -d "$f" ] && [ -n "$(ls -A "$f")" ] && [[ "$data" == "$f"/* ]]; then continue; fi
  if [ -d "$f" ] && [[ "$f" != *kvr* ]]; then continue; fi   # shared system directories
  left+=("$f")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
extra=$(ls -A "$data" | grep -vxE 'result\.log|tongji\.log|daily\.log|temp_report|all_report\.log|kvr-auditreport\.lock' || true)
[ -z "$extra" ] || fail "left in $data after removal besides the working files: $extra"
echo "left after removal: $(ls -A "$data" | tr '\n' ' ')"

echo "== purging"
dpkg --purge "$pkg" >/dev/null 2>&1
[ ! -e "$data" ] || fail "$data is still there after purging: $(ls -A "$data")"
[ ! -e /usr/share/kvr-duvovedadizuve ] || fail "/usr/share/kvr-duvovedadizuve is still there after purging"
echo "PASS: package built, installed, queried, removed and purged"
