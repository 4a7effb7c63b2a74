#!/usr/bin/env bash
# Configures and builds one flavour of the tree: build.sh [plain|sanitize|fuzz]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-plain}
case "$flavour" in
  plain)    dir="$top/build"; opts=() ;;
  sanitize) dir="$top/build-sanitize"; opts=(-DKOLVANE_SANITIZE=ON -DKOLVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz)     dir="$top/build-fuzz"; opts=(-DKOLVANE_FUZZ=ON -DKOLVANE_BENCH=OFF
                                         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: build.sh [plain|sanitize|fuzz]" >&2; exit 2 ;;
esac
cmake -G Ninja -S "$top" -B "$dir" "${opts[@]}" >/dev/null
targets=()
if [ "$flavour" = fuzz ]; then
  # Only the fuzz programs; the test libraries they use (fixtures, hives) come along.
  mapfile -t targets < <(ninja -C "$dir" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p')
fi
ninja -C "$dir" -j"$(nproc)" "${targets[@]}"
echo "$dir"
