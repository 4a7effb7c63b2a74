#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them, one after another (one core):
#   fuzz.sh [SECONDS]                each target briefly (20 s; CI runs 15)
#   fuzz.sh --long MINUTES           one longer campaign per target; every target runs even after
#                                    a finding, and the crash files are listed at the end
#   fuzz.sh --refresh-seeds SECONDS [NAME...]
#                                    remakes fuzz/seeds/ (of the targets named, else of all): each
#                                    target fuzzed for SECONDS from the
#                                    inputs our fixture builders make (no real file), then the
#                                    fewest inputs that keep every edge reached (a set-cover merge)
# A target starts from its scratch corpus in the build folder (first, so that what it learns
# lands there and is kept for the next run), its committed seeds, and the real files that fit it
# when the real-data folder is there ($KOLVANE_REALDATA_DIR, else the CMake cache's, by default
# ../shared/realdata), read in place. Crash and timeout files go to the build folder's findings/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=short
seconds=20
only=()
case "${1:-}" in
  --long) mode=long; seconds=$((${2:?fuzz.sh --long MINUTES} * 60)) ;;
  --refresh-seeds) mode=refresh; seconds=${2:?fuzz.sh --refresh-seeds SECONDS}; shift 2; only=("$@") ;;
  "") ;;
  *) seconds=$1 ;;
esac
dir=$("$top/scripts/build.sh" fuzz | tail -n 1)
ninja -C "$dir" kolvane_fuzz_seeds >/dev/null
seeder="$dir/fuzz/kolvane_fuzz_seeds"
findings="$dir/findings"
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

real=${KOLVANE_REALDATA_DIR:-$(sed -n 's/^KOLVANE_REALDATA_DIR:[A-Z]*=//p' "$dir/CMakeCache.txt")}
if [ "$mode" = refresh ] || [ -z "$real" ] || [ ! -d "$real" ]; then
  real=
  [ "$mode" = refresh ] || echo "fuzz: no real-data folder; committed seeds only"
else
  # The property-set target takes one stream: those of the real compound files, read in place.
  "$seeder" property-sets "$work/property_sets" "$real/cfb"
fi
if [ "$mode" = refresh ]; then "$seeder" builders "$work/made"; fi

# The real-data folders of a target (below $real).
real_corpora() {
  case "$1" in
    formats_dbx) echo "$real/dbx" ;;
    storage_cfb_walk) echo "$real/cfb" ;;
    storage_property_set) echo "$work/property_sets" ;;
    formats_header | collectors_eml) echo "$real/eml" ;;
    collectors_mbox) echo "$real/mbox" ;;
    formats_mbx) echo "$real/oe4" ;;
  esac
}

# "N runs, E edges" from the last status line of a log.
outcome() {
  sed -n 's/^#\([0-9]*\).* cov: \([0-9]*\) .*/\1 runs, \2 edges/p' "$1" | tail -n 1
}

shopt -s nullglob
found=0
failed=()
for target in "$dir"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=$(basename "$target")
  if [ "${#only[@]}" -gt 0 ] && [[ " ${only[*]} " != *" ${name#fuzz_} "* ]]; then continue; fi
  seeds="$top/fuzz/seeds/${name#fuzz_}"
  corpora=()
  if [ "$mode" = refresh ]; then
    corpora=("$work/scratch/$name")
    [ -d "$work/made/${name#fuzz_}" ] && corpora+=("$work/made/${name#fuzz_}")
  else
    corpora=("$dir/corpus/$name")
  fi
  [ -d "$seeds" ] && corpora+=("$seeds")
  if [ -n "$real" ]; then
    while read -r r; do [ -d "$r" ] && corpora+=("$r"); done < <(real_corpora "${name#fuzz_}")
  fi
  mkdir -p "${corpora[0]}"
  log="$dir/$name.log"
  echo "fuzz: $name for ${seconds}s from ${#corpora[@]} corpora"
  if "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$findings/$name-" "${corpora[@]}" > "$log" 2>&1; then
    echo "fuzz: $name: $(outcome "$log")"
  else
    tail -n 60 "$log"
    echo "fuzz: $name FAILED: $(outcome "$log"); the log is $log"
    [ "$mode" = long ] || exit 1
    failed+=("$name")
  fi
  if [ "$mode" = refresh ]; then
    rm -rf "$work/merged" && mkdir -p "$work/merged"
    "$target" -set_cover_merge=1 -use_counters=0 -rss_limit_mb=2048 -timeout=10 \
      "$work/merged" "${corpora[@]}" > "$dir/$name.merge.log" 2>&1
    rm -rf "$seeds" && mkdir -p "$seeds" && cp "$work/merged"/* "$seeds"/
    echo "fuzz: $name: $(ls "$seeds" | wc -l) seeds, $(cat "$seeds"/* | wc -c) bytes"
  fi
done
[ "$found" = 1 ] || echo "fuzz: no targets built"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: findings of ${failed[*]} are in $findings; each becomes a regression test"
  exit 1
fi
