#!/usr/bin/env bash
# Configures and builds one flavour of the tree: build.sh [plain|sanitize|clang|fuzz|windows]
#   plain     Release with GCC, as a packager builds it
#   sanitize  Debug with AddressSanitizer and UndefinedBehaviorSanitizer
#   clang     Release with clang, the tests included
#   fuzz      the libFuzzer programs (clang)
#   windows   kolvane-cli.exe and the tests cross-built with MinGW-w64, run under wine64; the
#             Linux programs its tests compare with are built in the plain flavour's folder
#             (or in $KOLVANE_HOST_BUILD_DIR)
# Warnings are errors in every flavour here; a build with the project's defaults only warns.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-plain}
clang=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
case "$flavour" in
  plain)    dir="$top/build"; opts=(-DCMAKE_BUILD_TYPE=Release) ;;
  sanitize) dir="$top/build-sanitize"; opts=(-DKOLVANE_SANITIZE=ON -DKOLVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  clang)    dir="$top/build-clang"; opts=(-DCMAKE_BUILD_TYPE=Release "${clang[@]}") ;;
  fuzz)     dir="$top/build-fuzz"; opts=(-DKOLVANE_FUZZ=ON -DKOLVANE_BENCH=OFF "${clang[@]}") ;;
  windows)
    host=${KOLVANE_HOST_BUILD_DIR:-$top/build}
    cmake -G Ninja -S "$top" -B "$host" -DKOLVANE_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C "$host" -j"$(nproc)" kolvane-cli formats_text_header_dump >&2
    dir="$top/build-windows"
    opts=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
          -DKOLVANE_HOST_BUILD_DIR="$host") ;;
  *) echo "usage: build.sh [plain|sanitize|clang|fuzz|windows]" >&2; exit 2 ;;
esac
cmake -G Ninja -S "$top" -B "$dir" -DKOLVANE_WERROR=ON "${opts[@]}" >/dev/null
targets=()
if [ "$flavour" = fuzz ]; then
  # Only the fuzz programs; the test libraries they use (fixtures, hives) come along.
  mapfile -t targets < <(ninja -C "$dir" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p')
fi
# The build log goes to stderr: callers read the folder from the last line of stdout.
ninja -C "$dir" -j"$(nproc)" "${targets[@]}" >&2
echo "$dir"
