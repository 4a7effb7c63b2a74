#!/usr/bin/env bash
# kolvane under a real X server: it opens a history file of the samples, its window appears
# with the viewer, a screenshot is taken, and SIGTERM ends it with exit status 0.
#   kolvane_under_xvfb.sh KOLVANE KOLVANE_CLI SAMPLES_DIR OUT_DIR
set -euo pipefail
kolvane=$1 cli=$2 samples=$3 out=$4
for tool in Xvfb xwininfo xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/setup.sh installs it)"; exit 77; }
done
mkdir -p "$out"
work=$(mktemp -d)
history="$work/samples-history.qmr"
"$cli" scan --windows-root "$samples" --out "$history" --quiet >/dev/null

# A display number nobody uses.
for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
program=
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The server can take seconds to answer on a loaded machine (the suite runs in parallel); the
# program started before it answers would find no display.
for _ in $(seq 300); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -root >/dev/null 2>&1 || { echo "Xvfb did not answer on $DISPLAY"; cat "$work/xvfb.log"; exit 1; }

# In the sanitizer build: the D-Bus client that Qt starts keeps what it allocated (not ours).
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
LC_ALL=en_US.UTF-8 XDG_DATA_HOME="$work/data" "$kolvane" "$history" >"$work/kolvane.log" 2>&1 &
program=$!
# The frame's title names the maximised viewer: "Quorl Kolvane - [samples-history]".
for _ in $(seq 300); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Quorl Kolvane - \[samples-history\]' && break
  sleep 0.1
done
if ! xwininfo -root -tree | grep -q 'Quorl Kolvane - \[samples-history\]'; then
  echo "the viewer's window did not appear"; xwininfo -root -tree; cat "$work/kolvane.log"; exit 1
fi
sleep 1  # let it paint
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$out/kolvane-under-xvfb.png"

kill -TERM "$program"
status=0
wait "$program" || status=$?
program=
echo "kolvane exited with $status; screenshot $out/kolvane-under-xvfb.png"
[ "$status" -eq 0 ] || { cat "$work/kolvane.log"; exit 1; }
