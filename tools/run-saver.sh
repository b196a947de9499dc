#!/bin/sh
# Installs what is missing, builds the render tool and both saver programs,
# and starts the 64-bit saver full screen under Wine: on the current display,
# or in a virtual one when there is none. After a few seconds it leaves a
# screenshot in build/saver-shot.png, prints its path and ends the saver.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh @native wine wine64 xvfb xdotool imagemagick
cmake -S . -B build/native >/dev/null
cmake --build build/native -j"$JOBS" --target ondulite-render
tools/build-windows.sh

. tools/wine-env.sh
SAVER_PID=
cleanup() {
  if [ -n "$SAVER_PID" ]; then
    kill "$SAVER_PID" 2>/dev/null || true
    wait "$SAVER_PID" 2>/dev/null || true
  fi
  stop_wine_and_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  start_xvfb 1280x720
  echo "no display: running in the virtual display $DISPLAY"
fi
prepare_wine_prefix "$ROOT/build/wine-prefix"

wine "$ROOT/build/win64/ondulite.scr" /s &
SAVER_PID=$!
sleep 5
import -window root "$ROOT/build/saver-shot.png"

# Any key ends the saver, as it would for a user.
xdotool key space
tries=0
while kill -0 "$SAVER_PID" 2>/dev/null && [ "$tries" -lt 50 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
if kill -0 "$SAVER_PID" 2>/dev/null; then
  echo "the saver did not end on a key press" >&2
else
  wait "$SAVER_PID" || true
  SAVER_PID=
fi
echo "screenshot: $ROOT/build/saver-shot.png"
