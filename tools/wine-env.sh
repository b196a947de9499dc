# Sourced by the scripts that run the saver under Wine.
#
# start_xvfb WIDTHxHEIGHT: starts a virtual X display of that size, sets
#   DISPLAY and XVFB_PID. -noreset keeps the server as it is when its last
#   client goes.
# prepare_wine_prefix DIR: makes DIR a Wine prefix (when it is not one yet),
#   sets WINEPREFIX and starts its server until stop_wine_and_xvfb. Windows of the saver are unmanaged, since without a
#   window manager Wine waits 2 s at each destruction of a managed one, and
#   a fault is reported without waiting for a debugger's window.
# stop_wine_and_xvfb: ends the prefix's Wine processes and the display that
#   start_xvfb started.

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a new prefix.
export WINEDLLOVERRIDES="mscoree=;mshtml="

start_xvfb() {
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  take_display Xvfb "$XVFB_PID" "$display_file"
}

# take_display NAME PID FILE: waits for the X server NAME (process PID),
# started with -displayfd into FILE, to name its display, then sets
# DISPLAY to it. Gives up after 10 s or when the server ends.
take_display() {
  tries=0
  while [ ! -s "$3" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$2" 2>/dev/null; then
      echo "$1 did not start" >&2
      rm -f "$3"
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=:$(cat "$3")
  export DISPLAY
  rm -f "$3"
}

prepare_wine_prefix() {
  mkdir -p "$1"
  WINEPREFIX=$(cd "$1" && pwd)
  export WINEPREFIX
  # One server for the script's whole run rather than one per program.
  wine_step "the Wine server" wineserver -p || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine_step "the prefix's first start" wineboot -i || return 1
  fi
  wine_step "unmanaged windows" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f || return 1
  wine_step "the fault reporter" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d 'cmd /c exit %ld %ld' /f || return 1
}

# wine_step WHAT COMMAND...: runs a quiet step of the preparation; when it
# fails, says which, with what it printed, rather than ending the script
# without a word.
wine_step() {
  step_what=$1
  shift
  step_log=$(mktemp)
  step_status=0
  "$@" >"$step_log" 2>&1 || step_status=$?
  if [ "$step_status" -eq 0 ]; then
    rm -f "$step_log"
    return 0
  fi
  echo "Wine: $step_what failed (status $step_status) in $WINEPREFIX:" >&2
  sed 's/^/  /' "$step_log" >&2
  rm -f "$step_log"
  return "$step_status"
}

stop_wine_and_xvfb() {
  if [ -n "${WINEPREFIX:-}" ]; then
    # Waits for the server too: the prefix may be removed next.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
