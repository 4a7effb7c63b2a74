#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs Kolvane on the bundled samples.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
dir=$("$top/scripts/build.sh" plain | tail -n 1)
echo "Kolvane built in $dir"
