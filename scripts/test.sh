#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, and runs the whole suite through CTest.
# test.sh [plain|sanitize|clang|windows]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-plain}
"$top/scripts/setup.sh" "$flavour"
dir=$("$top/scripts/build.sh" "$flavour" | tail -n 1)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 900
