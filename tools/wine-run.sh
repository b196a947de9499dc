#!/bin/sh
# wine-run.sh PROGRAM [ARGUMENT...]
# Runs a Windows test program under Wine with the environment as it is and
# exits with its status. Every test program writes a line at least, so one
# that fails without a word never ran its cases: Wine itself failed to start
# it. That is said, with what can be seen of the Wine server and the display,
# and the program is run once more; any failure with output stands as it is.
set -u

out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The output goes through a file, not a pipe: Wine's own processes that a
# first program starts (the desktop, the services) outlive it and would hold
# a pipe open. tail follows the file until the program has ended.
run() {
  : >"$out"
  wine "$@" >"$out" 2>&1 &
  wine_pid=$!
  tail -n +1 -s 0.2 -f --pid="$wine_pid" "$out" &
  tail_pid=$!
  wait "$wine_pid"
  status=$?
  wait "$tail_pid"
}

run "$@"
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  server=$(pgrep wineserver >/dev/null && echo running || echo absent)
  display=$(xdotool getdisplaygeometry 2>/dev/null || echo unreachable)
  zombies=$(ps -eo stat= | grep -c '^Z' || true)
  echo "wine-run: $(basename "$1") failed at start without output (status $status;" \
       "wineserver $server, display ${DISPLAY:-none} $display, $zombies zombie processes); running it again"
  sleep 1
  run "$@"
fi
exit "$status"
