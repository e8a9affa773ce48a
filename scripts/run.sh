#!/usr/bin/env bash
# Installs what is missing, builds, and starts kvr-auditreport from the build
# tree. When the system's audit trail cannot be read it runs on a generated
# demo trail instead. Without a display it runs the program under Xvfb, saves
# screenshots of the query form, of a demo query and of its runs window, and
# exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KVR_BUILD_DIR:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
build=$(cd "$build" && pwd)

# The build tree is a complete data directory (translations in locale/).
export KVR_AUDITREPORT_DATA_DIR=${KVR_AUDITREPORT_DATA_DIR:-$build/data}
mkdir -p "$KVR_AUDITREPORT_DATA_DIR"

# Exit status 3 of the tools means the trail cannot be read (not root, or no
# audit daemon has ever written one): fall back to the demo trail.
if [ -z "${KVR_AUDITREPORT_LOG:-}" ]; then
  rc=0
  "$build/libexec/kvr-auditreport/aureport" --summary </dev/null >/dev/null 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    demo="$build/data/demo/audit.log"
    mkdir -p "$(dirname "$demo")"
    # Three weeks ending yesterday, so that no demo event lies in the future.
    "$build/bin/kvr-gen-trail" --demo --end "$(date -d yesterday +%F)" --out "$demo"
    export KVR_AUDITREPORT_LOG=$demo
    echo "The system's audit trail is not readable here; using the demo trail $demo"
  fi
fi

app="$build/bin/kvr-auditreport"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$app"
fi

echo "No display found: running kvr-auditreport under Xvfb and saving screenshots."
shots="$build/screenshots"
mkdir -p "$shots"
disp=:$((90 + RANDOM % 100))
Xvfb "$disp" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app_pid=
cleanup() { [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null; kill "$xvfb" 2>/dev/null; true; }
trap cleanup EXIT
export DISPLAY=$disp
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$app" >"$shots/stdout.log" 2>&1 &
app_pid=$!
xdotool search --sync --onlyvisible --pid "$app_pid" >/dev/null
sleep 1.5
# The window centres itself on the 1024x768 screen; click by window offsets.
wx=$(( (1024 - 422) / 2 )); wy=$(( (768 - 595) / 2 ))
shot() { import -window root -crop "422x595+$wx+$wy" +repage "$1"; }
shot "$shots/query-form.png"
click() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; sleep 0.4; }
type_field() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 30 "$3"; sleep 0.3; }

# Demo query: "sudo" over the last four weeks.
start=$(date -d '-27 days' +%Y-%m-%d); end=$(date +%Y-%m-%d)
click 88 228                      # event type list
xdotool type --delay 60 sudo; xdotool key Return; sleep 0.4
type_field 82 157 "$start"        # start date field
type_field 242 157 "$end"         # end date field
click 362 65                      # "点击查询"
sleep 3
shot "$shots/demo-query.png"

# Its runs: "明细" beside "导出报告" opens the runs window ("运行明细 — sudo").
click 276 65
runs=$(timeout 10 xdotool search --sync --onlyvisible --name ' sudo$' | head -n 1 || true)
if [ -n "$runs" ]; then
  sleep 1
  import -window "$runs" "$shots/runs-window.png"
else
  echo "The runs window did not open; no screenshot of it." >&2
fi

echo "Screenshots:"
echo "  $shots/query-form.png"
echo "  $shots/demo-query.png"
echo "  $shots/runs-window.png"
