#!/usr/bin/env bash
# Times the runs window (kvr-bench-runs) on N generated runs, first on the
# offscreen platform and then on an X server of Xvfb when xvfb-run is
# installed. Not part of ctest.
#
#   bench/runswindow/run-bench.sh [BUILD_DIR] [N]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-100000}
bench=$build/bin/kvr-bench-runs
[ -x "$bench" ] || { echo "missing $bench: build it first" >&2; exit 2; }
export LC_ALL=C.UTF-8 TZ=${TZ:-UTC}

QT_QPA_PLATFORM=offscreen "$bench" "$runs"
echo
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$runs"
else
  echo "xvfb-run is not installed: no figures on X11"
fi
