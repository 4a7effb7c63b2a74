#!/usr/bin/env bash
# The Wine prefix that Windows test programs run in (WINEPREFIX and the rest from the caller's
# environment).
#   wine_prefix.sh start WINE64   makes the prefix and starts the one server its programs share
#   wine_prefix.sh stop WINE64    stops that server
# wineboot returns before a new prefix's setup has finished, so its server is waited for first.
# Debian's wineserver quits the moment its last program ends and refuses a program that starts
# just then ("recvmsg: Connection reset by peer"), so the programs that follow share one server,
# kept a minute after the last of them.
set -euo pipefail
action=${1:-} wine=${2:-}
wineserver="$(dirname "$wine")/wineserver"
case $action in
  start)
    "$wine" wineboot --init >/dev/null
    "$wineserver" -w
    "$wineserver" -p60 </dev/null >/dev/null 2>&1 ;;
  stop)
    "$wineserver" -k 2>/dev/null || true ;;
  *)
    echo "usage: wine_prefix.sh start|stop WINE64" >&2
    exit 2 ;;
esac
