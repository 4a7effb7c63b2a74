#!/usr/bin/env bash
# Installs the Debian 12 packages Kolvane needs to build and test, only those that are missing.
# setup.sh windows: also those of the Windows build (MinGW-w64, zlib for it, GoogleTest's
# sources, wine64 to run the programs).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  zlib1g-dev libhivex-dev libhivex-bin python3-hivex
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3-olefile libgsf-bin
  qt6-base-dev qt6-svg-dev fonts-dejavu-core
  xvfb x11-apps x11-utils netpbm
  locales-all tzdata
)
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
