#!/usr/bin/env bash
# Builds the Debian package with Debian's hardening flags, checks its binaries
# and runs lintian on it, installs it on this machine, starts the installed
# program (offscreen, then under Xvfb for a query of the demo trail), removes
# the package and checks that nothing but the working files and the rules file
# (a configuration file) is left; purging then removes those too.
#
#   bash scripts/package-test.sh [BUILD_DIR]     (default: build-deb)
#
# Needs root and dpkg; exits with 77 and a line starting "SKIP:" where they
# are missing, or where kvr-auditreport is already installed (it is never
# touched then, unless it is the very package an earlier run of this test
# left installed when it was killed). Every wait is bounded; on exit, also
# through TERM, INT or HUP, the package is purged.
set -euo pipefail
# Builtins only up to the dpkg check, so that it runs without a usable PATH.
case $0 in */*) here=${0%/*} ;; *) here=. ;; esac
src=$(cd "$here/.." && pwd)
build=${1:-$src/build-deb}
pkg=kvr-auditreport
data=/usr/share/kvr-duvovedadizuve/apps/kvr-securityaudit/kvr-auditreport

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed'; }
command -v dpkg >/dev/null || skip "dpkg is not available, so the package cannot be installed here"
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
# What a run killed without a chance to clean up (ctest's time limit sends
# SIGKILL) left installed: recognised by the program's checksum, noted at
# installation.
marker=/run/kvr-package-test.installed
if installed && [ -f "$marker" ] && [ "$(sha256sum </usr/bin/kvr-auditreport 2>/dev/null)" = "$(cat "$marker")" ]; then
  echo "== purging the package that a killed earlier run of this test left installed"
  dpkg --purge "$pkg" >/dev/null
fi
rm -f "$marker"
if installed; then
  skip "$pkg is already installed on this machine; the test leaves it alone"
fi
[ -e "$data" ] && skip "$data exists already (not from this test); the test leaves it alone"
for t in Xvfb xdotool xdpyinfo lintian readelf timeout; do
  command -v "$t" >/dev/null || skip "$t is missing (bash scripts/install-deps.sh)"
done
dpkg-query -W -f='${Status}' pkexec 2>/dev/null | grep -q 'ok installed' \
  || skip "pkexec, which the package depends on, is missing (bash scripts/install-deps.sh)"

work=$(mktemp -d)
xvfb= app= waiting=
cleanup() {
  set +e
  trap '' TERM INT HUP
  for p in $waiting $app $xvfb; do kill "$p" 2>/dev/null; done
  if installed; then
    echo "== cleaning up: purging $pkg"
    dpkg_retry --purge "$pkg" >/dev/null 2>&1 || dpkg --purge "$pkg" >/dev/null 2>&1
  fi
  installed || rm -f "$marker"
  rm -rf "$work"
  true
}
trap cleanup EXIT
# A signal ends the script through its EXIT trap, which purges the package.
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# Runs a command for at most SECS seconds, in the background so that a
# signal to this script is handled at once rather than after the command.
bounded() {
  local secs=$1 status=0
  shift
  timeout "$secs" "$@" &
  waiting=$!
  wait "$waiting" || status=$?
  waiting=
  return "$status"
}
# Ends a process the test started; KILL after five seconds.
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
# dpkg, waiting up to two minutes while the package manager is busy elsewhere.
dpkg_retry() {
  local out
  for _ in $(seq 60); do
    out=$(dpkg "$@" 2>&1) && return 0
    grep -q 'lock' <<<"$out" || { echo "$out" >&2; return 1; }
    sleep 2
  done
  echo "$out" >&2
  return 1
}

echo "== building the package in $build (Debian's hardening flags)"
cmake -S "$src" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DKVR_BUILD_TESTS=OFF \
      -DKVR_BUILD_BENCHMARKS=OFF -DKVR_HARDENING=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -f "$build"/${pkg}_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/${pkg}_*_*.deb)
echo "package: $deb"
field() { dpkg-deb -f "$deb" "$1"; }
for want in "Depends libaudit1" "Depends libqt6widgets6" "Depends pkexec" "Recommends auditd" \
            "Recommends fonts-noto-cjk | fonts-wqy-microhei"; do
  f=${want%% *} what=${want#* }
  [[ ", $(field "$f"), " == *", $what"[\ ,\(]* ]] || fail "$f lacks '$what': $(field "$f")"
done
[[ "$(field Maintainer)" != *@localhost* ]] || fail "the maintainer's address is $(field Maintainer)"
rules=/etc/audit/rules.d/kvr-auditreport.rules
dpkg-deb -I "$deb" conffiles | grep -qx "$rules" \
  || fail "$rules is not a conffile of the package"

echo "== checking the hardening of the binaries"
dpkg-deb -x "$deb" "$work/root"
checked=0
for bin in usr/bin/kvr-auditreport usr/libexec/kvr-auditreport/ausearch usr/libexec/kvr-auditreport/aureport; do
  f=$work/root/$bin
  dyn=$(readelf -dW "$f")
  imports=$(readelf --dyn-syms -W "$f" | awk '$7 == "UND" {sub(/@.*/, "", $8); print $8}')
  grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$dyn" || fail "$bin is not linked with -z now (BIND_NOW)"
  grep -Eq 'FLAGS_1.*PIE' <<<"$dyn" || fail "$bin is no position-independent executable"
  readelf -lW "$f" | grep -q GNU_RELRO || fail "$bin has no read-only relocations (RELRO)"
  grep -qx '__stack_chk_fail' <<<"$imports" || fail "$bin is built without the stack protector"
  # _FORTIFY_SOURCE turns every call of the printf family into its checked
  # variant (__fprintf_chk, ...): a plain one means it was off.
  plain=$(grep -Ex 'v?(f|s|sn|d)?printf' <<<"$imports" | tr '\n' ' ' || true)
  [ -z "$plain" ] || fail "$bin calls $plain unchecked: built without _FORTIFY_SOURCE"
  checked=$((checked + $(grep -Ec '^__[a-z0-9_]+_chk$' <<<"$(grep -vx __stack_chk_fail <<<"$imports")" || true)))
done
[ "$checked" -gt 0 ] || fail "no binary calls a checked function (__*_chk): built without _FORTIFY_SOURCE"
echo "hardened: BIND_NOW, PIE, RELRO, stack protector, _FORTIFY_SOURCE"

echo "== lintian"
# No error and no warning; the package's own overrides each carry a reason
# and must all still apply.
if ! bounded 600 lintian --fail-on error,warning --pedantic -I "$deb" >"$work/lintian" 2>&1; then
  cat "$work/lintian"
  fail "lintian reports errors or warnings"
fi
grep -v "running with root privileges" "$work/lintian" || echo "lintian: no tag"
! grep -Eq 'unused-override|mismatched-override' "$work/lintian" || fail "an override of the package no longer applies"

echo "== installing"
rules_before=$(auditctl -l 2>/dev/null || true)
dpkg_retry -i "$deb" >/dev/null
sha256sum </usr/bin/kvr-auditreport >"$marker"
[ -f "$rules" ] || fail "$rules is not installed"
[ "$(stat -c '%U %a' "$rules")" = "root 640" ] || fail "$rules is $(stat -c '%U %a' "$rules"), not root 640"
dpkg-query -W -f='${Conffiles}' "$pkg" | grep -q " $rules " || fail "dpkg does not know $rules as a conffile"
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
stop "$app"; app=

echo "== querying the demo trail with the installed program (Xvfb)"
"$build/bin/kvr-gen-trail" --demo --end "$(date -d yesterday +%F)" --out "$work/audit.log" \
  --expect >"$work/expect"
expected=$(awk '$1 == "sudo" && $2 == "*" {print $3}' "$work/expect")
# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# The window must appear on this display, whatever platform the caller's
# environment names (with offscreen it would open none).
QT_QPA_PLATFORM=xcb KVR_AUDITREPORT_LOG="$work/audit.log" /usr/bin/kvr-auditreport >"$work/query.log" 2>&1 &
app=$!
bounded 30 xdotool search --sync --onlyvisible --pid "$app" >/dev/null \
  || fail "no window of the installed program appeared within 30 s: $(cat "$work/query.log")"
sleep 1.5
windows=$(bounded 10 xdotool search --onlyvisible --pid "$app" | wc -l)
[ "$windows" -eq 1 ] || fail "the installed program shows $windows windows at start-up (a start-up warning?)"
wx=$(( (1024 - 422) / 2 )); wy=$(( (768 - 595) / 2 ))
xdo() { bounded 20 xdotool "$@" || fail "xdotool $* did not finish"; }
click() { xdo mousemove $((wx + $1)) $((wy + $2)) click 1; sleep 0.4; }
type_field() { click "$1" "$2"; xdo key ctrl+a; xdo type --delay 30 "$3"; sleep 0.3; }
click 88 228
xdo type --delay 60 sudo; xdo key Return; sleep 0.4
type_field 82 157 "$(date -d '-27 days' +%Y-%m-%d)"
type_field 242 157 "$(date +%Y-%m-%d)"
click 362 65
for _ in $(seq 50); do [ -s "$data/temp_report" ] && break; sleep 0.2; done
[ -s "$data/temp_report" ] || fail "no report was written: $(cat "$work/query.log")"
count=$(sed -n 2p "$data/temp_report")
[ "$count" = "记录条数：$expected" ] || fail "report says '$count', the demo trail holds $expected sudo runs"
echo "report: $count"
stop "$app"; app=
stop "$xvfb"; xvfb=

echo "== removing"
dpkg_retry -r "$pkg" >/dev/null 2>&1
left=()
while read -r f; do
  [ -e "$f" ] || [ -L "$f" ] || continue
  case "$f" in
    "$data") continue ;;                       # holds the working files
    "$rules") continue ;;                      # a conffile: kept until purged
    /|/usr|/usr/*/|/etc|/etc/audit|/etc/audit/rules.d) continue ;;
  esac
  if [ -d "$f" ] && [ -n "$(ls -A "$f")" ] && [[ "$data" == "$f"/* ]]; then continue; fi
  if [ -d "$f" ] && [[ "$f" != *kvr* ]]; then continue; fi   # shared system directories
  left+=("$f")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
extra=$(ls -A "$data" | grep -vxE 'result\.log|tongji\.log|daily\.log|runs\.log|temp_report|all_report\.log|kvr-auditreport\.lock' || true)
[ -z "$extra" ] || fail "left in $data after removal besides the working files: $extra"
[ -f "$rules" ] || fail "removing the package deleted the rules file, a conffile kept until purging"
echo "left after removal: $(ls -A "$data" | tr '\n' ' ')and $rules"

echo "== purging"
dpkg_retry --purge "$pkg" >/dev/null 2>&1
rm -f "$marker"
[ ! -e "$data" ] || fail "$data is still there after purging: $(ls -A "$data")"
[ ! -e /usr/share/kvr-duvovedadizuve ] || fail "/usr/share/kvr-duvovedadizuve is still there after purging"
[ ! -e "$rules" ] || fail "$rules is still there after purging"
echo "PASS: package built hardened, lintian-clean, installed, queried, removed and purged"
