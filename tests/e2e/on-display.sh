#!/bin/sh
# on-display.sh SCREEN [MONITOR...] -- PROGRAM [ARGUMENT...]
# Runs the Wine program PROGRAM on an X display of its own: a virtual screen
# of SCREEN (WIDTHxHEIGHT) or, with MONITOR sizes, a nested Xephyr inside it
# whose screens are joined side by side by Xinerama, without RandR, so that
# Wine sees one monitor per screen. A Wine prefix serves one X display at a
# time: the prefix's programs are ended before and after. Uses WINEPREFIX
# as it is; exits with the program's status.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine-env.sh"

screen=$1
shift
monitors=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  monitors="$monitors -screen $1"
  shift
done
[ $# -gt 0 ] && shift

XEPHYR_PID=
finish() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$XEPHYR_PID" ]; then
    kill "$XEPHYR_PID" 2>/dev/null || true
    wait "$XEPHYR_PID" 2>/dev/null || true
  fi
  stop_wine_and_xvfb
}

wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
start_xvfb "$screen" || exit 1
if [ -n "$monitors" ]; then
  display_file=$(mktemp)
  # shellcheck disable=SC2086
  Xephyr -displayfd 3 +xinerama $monitors -extension RANDR -nolisten tcp -noreset \
    3>"$display_file" >/dev/null 2>&1 &
  XEPHYR_PID=$!
  take_display Xephyr "$XEPHYR_PID" "$display_file" || { finish; exit 1; }
fi
wineserver -p
sh "$here/../../tools/wine-run.sh" "$@"
status=$?
finish
exit $status
