#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one briefly: fuzz.sh [seconds per target]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir=$("$top/scripts/build.sh" fuzz | tail -n 1)
shopt -s nullglob
found=0
for target in "$dir"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=$(basename "$target")
  corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$top/fuzz/seeds/${name#fuzz_}" ] && seeds=("$top/fuzz/seeds/${name#fuzz_}")
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$corpus" "${seeds[@]}" \
    > "$dir/$name.log" 2>&1 || { tail -n 60 "$dir/$name.log"; exit 1; }
done
[ "$found" = 1 ] || echo "fuzz: no targets built"
