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
  tries=0
  while [ ! -s "$display_file" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start" >&2
      rm -f "$display_file"
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=:$(cat "$display_file")
  export DISPLAY
  rm -f "$display_file"
}

prepare_wine_prefix() {
  mkdir -p "$1"
  WINEPREFIX=$(cd "$1" && pwd)
  export WINEPREFIX
  # One server for the script's whole run rather than one per program.
  wineserver -p
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
  fi
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /d 'cmd /c exit %ld %ld' /f >/dev/null 2>&1
}

stop_wine_and_xvfb() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
