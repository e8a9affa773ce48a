#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (or $KVR_ASAN_BUILD_DIR) and runs every test there: any memory
# error or undefined behaviour, in the program, its audit tools or the tests,
# fails the test that provoked it. Arguments go to ctest (e.g. -R tst_ausearch).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KVR_ASAN_BUILD_DIR:-build-asan}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVR_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Undefined behaviour stops the program like a memory error does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_stack_use_after_return=1:strict_string_checks=1}
cd "$build"
# The package test builds and installs a second tree; the normal run covers it.
ctest --output-on-failure -j2 --timeout 1800 -E "^package_install$" "$@"
