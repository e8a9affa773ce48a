#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. In CI
# (CI=true) compiler warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KVR_BUILD_DIR:-build}
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVR_WERROR="$werror" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j2 "$@"
