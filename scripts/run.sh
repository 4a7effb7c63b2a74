#!/usr/bin/env bash
# The main job: installs what is missing, builds, scans the bundled sample Windows tree into a
# history file and lists what was collected. Run it again: the second scan adds nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
dir=$("$top/scripts/build.sh" plain | tail -n 1)
cli="$dir/src/cli/kolvane-cli"
history="$dir/samples-history.qmr"
echo
echo "== kolvane-cli scan --windows-root samples --out $history"
"$cli" scan --windows-root "$top/samples" --out "$history" --quiet
echo
echo "== kolvane-cli folders $history"
"$cli" folders "$history"
echo
echo "== kolvane-cli list $history --client thunderbird"
LANG=${LANG:-en_US.UTF-8} "$cli" list "$history" --client thunderbird
