#!/bin/bash
# End-to-end tests of ondulite-x11 under Xvfb: the pictures it shows in
# every kind of window against ondulite-render's, its timing, resizing and
# ending, bad input, and, with Debian's xscreensaver installed and run as
# root, the installed hack under XScreenSaver's settings and daemon.
#
# usage: tests/x11/run-x11-tests.sh [BUILD_DIR]    (default build/native)
# Installs what it needs when missing and builds the hack, the render tool
# and the test window in BUILD_DIR.
# With ONDULITE_X11_INSTALLED=1 it tests the installed packages instead
# (tests/x11/check-packages.sh): the hack at XScreenSaver's hack path, the
# render tool in /usr/bin, and no install into the system of its own; it
# builds the test window only.
# Prints PASS/FAIL per check and "N passed, M failed" last; exits 1 when
# anything failed.
set -u
cd "$(dirname "$0")/../.."
BUILD=${1:-build/native}
HACK=$BUILD/xhack/ondulite-x11
RENDER=$BUILD/tools/ondulite-render
TARGETS="ondulite-x11 ondulite-render ondulite-test-window"
if [ -n "${ONDULITE_X11_INSTALLED:-}" ]; then
  HACK=/usr/libexec/xscreensaver/ondulite
  RENDER=/usr/bin/ondulite-render
  TARGETS=ondulite-test-window
fi
TESTWIN=$BUILD/tests/x11/ondulite-test-window
setup_log=$(mktemp)
if ! { tools/install-deps.sh @native xvfb xdotool imagemagick procps xscreensaver libxml2-utils &&
  cmake -S . -B "$BUILD" -DONDULITE_WARNINGS_AS_ERRORS=ON && cmake --build "$BUILD" -j2 --target $TARGETS; } \
  >"$setup_log" 2>&1; then
  cat "$setup_log"
  echo "FAIL: installing and building what the checks need"
  echo "0 passed, 1 failed"
  exit 1
fi
rm -f "$setup_log"
for program in "$HACK" "$RENDER" "$TESTWIN"; do
  [ -x "$program" ] || { echo "missing $program"; echo "0 passed, 1 failed"; exit 1; }
done

WORK=$(mktemp -d)
chmod 755 "$WORK"
passed=0
failed=0
STARTED=()  # every process started here, ended on exit

pass() { passed=$((passed + 1)); echo "PASS: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}

now() { echo "${EPOCHREALTIME/[,.]/}"; }  # microseconds

# wait_for COMMAND...: retries for up to $WAIT seconds (default 20).
wait_for() {
  local deadline=$(($(now) + ${WAIT:-20} * 1000000))
  until "$@"; do
    [ "$(now)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# stop PID...: ends the processes and waits until each is gone (its own
# children through wait, the daemon's by looking; SIGKILL after 5 s), so
# that none outlives its case or the run.
gone() { ! kill -0 "$1" 2>/dev/null; }
stop() {
  local pid
  for pid in "$@"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null; done
  for pid in "$@"; do
    [ -n "$pid" ] || continue
    wait "$pid" 2>/dev/null
    WAIT=5 wait_for gone "$pid" || { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  done
  return 0
}

# What the XScreenSaver part installs into the system's paths goes again at
# the end, and files that were there before come back.
INSTALLED=()
uninstall() {
  local path
  for path in "${INSTALLED[@]}"; do
    rm -f "$path"
    [ -e "$WORK/before$path" ] && cp -p "$WORK/before$path" "$path"
  done
  INSTALLED=()
}

cleanup() {
  stop "${STARTED[@]}"
  uninstall
  rm -rf "$WORK"
}
trap cleanup EXIT

# start_xvfb VARIABLE ARGS...: an Xvfb on a free display, whose name goes
# into VARIABLE. -noreset: a server that resets when its last client goes
# refuses the next one for a moment, and the cases start and end clients
# one after another.
start_xvfb() {
  local file=$WORK/display.$RANDOM
  Xvfb -displayfd 3 -nolisten tcp -noreset "${@:2}" 3>"$file" >/dev/null 2>&1 &
  STARTED+=($!)
  WAIT=10 wait_for test -s "$file" || return 1
  printf -v "$1" ':%s' "$(head -n1 "$file")"
}

# A test window of WxH; sets TESTWIN_PID and TESTWIN_ID.
open_test_window() {
  local out=$WORK/window.$RANDOM
  "$TESTWIN" "$1" >"$out" &
  TESTWIN_PID=$!
  STARTED+=($TESTWIN_PID)
  WAIT=10 wait_for test -s "$out"
  TESTWIN_ID=$(head -n1 "$out")
}

# start_hack LOG ARGS...: runs the hack with stderr into LOG; sets HACK_PID.
start_hack() {
  local log=$1
  shift
  "$HACK" "$@" 2>"$log" &
  HACK_PID=$!
  STARTED+=($HACK_PID)
}

# The --fps line of the hack's K-th picture at WxH: wait_picture LOG K WxH
has_picture() { grep -q "picture $2 $3," "$1"; }
wait_picture() { wait_for has_picture "$@"; }

# Whether SHOT shows picture K of SEED at WxH: at least 99.99% of the
# pixels equal (or no further apart than $FUZZ). same_picture SHOT SEED WxH K
same_picture() {
  local ref=$WORK/ref-$2-$3-$4.png width=${3%x*} height=${3#*x}
  [ -f "$ref" ] || "$RENDER" --seed "$2" --size "$3" --picture "$4" -o "$ref" || return 1
  local differ
  differ=$(compare -metric AE ${FUZZ:+-fuzz "$FUZZ"} "$1" "$ref" null: 2>&1) || true
  awk -v d="$differ" -v n=$((width * height)) 'BEGIN { exit !(d ~ /^[0-9.e+]+$/ && d + 0 <= n / 10000) }' ||
    { echo "  $1: $differ of $((width * height)) pixels differ from picture $4 of seed $2" >&2; return 1; }
}

shoot_window() { import -window "$1" "$2" 2>/dev/null; }

# ends_within PID SECONDS: waits for the process; true when it ended in time with status 0.
ends_within() {
  local pid=$1 limit=$2 deadline status
  deadline=$(($(now) + limit * 1000000))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(now)" -ge "$deadline" ] && { echo "  pid $pid still runs after ${limit}s" >&2; return 1; }
    sleep 0.02
  done
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || echo "  pid $pid ended with status $status" >&2
  [ "$status" -eq 0 ]
}

# term_within PID: SIGTERM, then the process must end with status 0 within 0.1 s.
term_within() {
  local pid=$1 start status took
  start=$(now)
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  took=$(($(now) - start))
  echo "  SIGTERM to exit: $((took / 1000)) ms, status $status"
  [ "$status" -eq 0 ] && [ "$took" -le 100000 ]
}

echo "== drawing into a window made by the test"
export DISPLAY
start_xvfb DISPLAY -screen 0 640x480x24 || { echo "cannot start Xvfb"; echo "0 passed, 1 failed"; exit 1; }

open_test_window 401x301
LOG=$WORK/window-id.log
start_hack "$LOG" --window-id "$TESTWIN_ID" --seed 7 --delay 1.5 --fps
if wait_picture "$LOG" 1 401x301; then
  first_at=$(now)
  shoot_window "$TESTWIN_ID" "$WORK/window-1.png"
  check "--window-id $TESTWIN_ID shows picture 1 of the seed, clipped to the odd size" \
    same_picture "$WORK/window-1.png" 7 401x301 1
  check "MIT-SHM is used where the server offers it" grep -q "picture 1 .*MIT-SHM" "$LOG"
  if wait_picture "$LOG" 2 401x301; then
    gap=$(($(now) - first_at))
    shoot_window "$TESTWIN_ID" "$WORK/window-2.png"
    # Seen by polling, so a little early or late; a delay of 1 s or none would show.
    check "picture 2 follows after the delay of 1.5 s (came after $((gap / 1000)) ms)" [ "$gap" -ge 1300000 ]
    check "the window then shows picture 2" same_picture "$WORK/window-2.png" 7 401x301 2
  else
    fail "no second picture after the delay"
  fi

  xdotool windowsize "$TESTWIN_ID" 320 240
  if wait_for grep -q "x240," "$LOG"; then
    number=$(grep -o "picture [0-9]* 320x240" "$LOG" | head -n1 | cut -d' ' -f2)
    shoot_window "$TESTWIN_ID" "$WORK/window-resized.png"
    check "a resized window gets picture $number at its new size 320x240" \
      same_picture "$WORK/window-resized.png" 7 320x240 "$number"
  else
    fail "no picture of the new size after the window was resized"
  fi

  stop "$TESTWIN_PID"
  check "the hack ends with status 0 when its window is destroyed" ends_within "$HACK_PID" 3
else
  fail "no picture in the window"
  cat "$LOG"
fi

echo "== without MIT-SHM, window id in decimal"
start_xvfb PLAIN_DISPLAY -screen 0 320x240x24 -extension MIT-SHM
PLAIN_XVFB=${STARTED[-1]}
LOG=$WORK/plain.log
DISPLAY=$PLAIN_DISPLAY open_test_window 256x192
start_hack "$LOG" --display "$PLAIN_DISPLAY" --window-id "$((TESTWIN_ID))" --seed 2026 --delay 5 --fps
if wait_picture "$LOG" 1 256x192; then
  DISPLAY=$PLAIN_DISPLAY shoot_window "$TESTWIN_ID" "$WORK/plain.png"
  check "XPutImage serves when the server has no MIT-SHM" grep -q "picture 1 .*XPutImage" "$LOG"
  check "the decimal window id $((TESTWIN_ID)) shows picture 1 of the seed" \
    same_picture "$WORK/plain.png" 2026 256x192 1
else
  fail "no picture without MIT-SHM"
  cat "$LOG"
fi
stop "$HACK_PID" "$TESTWIN_PID"

echo "== a 16-bit visual"
start_xvfb DEEP16_DISPLAY -screen 0 320x240x16
LOG=$WORK/depth16.log
DISPLAY=$DEEP16_DISPLAY open_test_window 201x151
DISPLAY=$DEEP16_DISPLAY start_hack "$LOG" --window-id "$TESTWIN_ID" --seed 9 --delay 5 --fps
if wait_picture "$LOG" 1 201x151; then
  DISPLAY=$DEEP16_DISPLAY shoot_window "$TESTWIN_ID" "$WORK/depth16.png"
  FUZZ=3%  # 5-6-5 bits per channel are within 3% of the 8-bit colours
  check "a 16-bit TrueColor window shows picture 1 of the seed in its colours" \
    same_picture "$WORK/depth16.png" 9 201x151 1
  unset FUZZ
else
  fail "no picture in a 16-bit window"
  cat "$LOG"
fi
stop "$HACK_PID" "$TESTWIN_PID"

echo "== a 32-bit visual with alpha"
open_argb_window() {  # like open_test_window, with a depth-32 ARGB visual
  local out=$WORK/window.$RANDOM
  "$TESTWIN" --argb "$1" >"$out" &
  TESTWIN_PID=$!
  STARTED+=($TESTWIN_PID)
  WAIT=10 wait_for test -s "$out"
  TESTWIN_ID=$(head -n1 "$out")
}
open_argb_window 201x151
LOG=$WORK/argb.log
start_hack "$LOG" --window-id "$TESTWIN_ID" --seed 13 --delay 5 --fps
if [ -n "$TESTWIN_ID" ] && wait_picture "$LOG" 1 201x151; then
  shoot_window "$TESTWIN_ID" "$WORK/argb.png"
  check "an ARGB window shows picture 1 of the seed" same_picture "$WORK/argb.png" 13 201x151 1
  alphas=$(for at in "0 0" "100 75" "200 150"; do "$TESTWIN" --pixel "$TESTWIN_ID" $at | cut -c3-4; done | tr '\n' ' ')
  check "its pixels are opaque: alpha ff (read: $alphas)" [ "$alphas" = "ff ff ff " ]
else
  fail "no picture in an ARGB window"
  cat "$LOG"
fi
stop "$HACK_PID" "$TESTWIN_PID"

echo "== started with the standard descriptors closed"
open_test_window 160x120
"$HACK" --window-id "$TESTWIN_ID" --seed 1 --fps --delay 0.5 <&- >&- 2>&- &
HACK_PID=$!
STARTED+=($HACK_PID)
closed_shows() { shoot_window "$TESTWIN_ID" "$WORK/closed.png" && same_picture "$WORK/closed.png" 1 160x120 1 2>/dev/null; }
check "it draws picture 1 of the seed" wait_for closed_shows
descriptors=$(for fd in 0 1 2; do readlink "/proc/$HACK_PID/fd/$fd"; done | tr '\n' ' ')
check "descriptors 0 to 2 are /dev/null, not the X connection (they are: $descriptors)" \
  [ "$descriptors" = "/dev/null /dev/null /dev/null " ]
sleep 1.2  # pictures 2 and 3 with their --fps lines
kill -TERM "$HACK_PID"
check "after some pictures SIGTERM ends it with status 0" ends_within "$HACK_PID" 10
stop "$TESTWIN_PID"

echo "== the root window"
LOG=$WORK/root.log
start_hack "$LOG" --root --seed 11 --delay 5 --fps
if wait_picture "$LOG" 1 640x480; then
  shoot_window root "$WORK/root.png"
  check "--root draws picture 1 of the seed on the root window" same_picture "$WORK/root.png" 11 640x480 1
  check "SIGTERM between pictures ends it with status 0 within 0.1 s" term_within "$HACK_PID"
else
  fail "no picture on the root window"
  cat "$LOG"
fi

echo "== SIGTERM in the middle of a picture"
open_test_window 2400x1800
LOG=$WORK/big.log
start_hack "$LOG" --window-id "$TESTWIN_ID" --seed 5 --delay 0 --fps
if WAIT=60 wait_picture "$LOG" 1 2400x1800; then
  # With no delay the next picture starts as this one is shown: signal it
  # a third of a generation time later.
  ms=$(grep -o "generated in [0-9]*" "$LOG" | head -n1 | awk '{ print $3 }')
  sleep "$(awk -v ms="$ms" 'BEGIN { printf "%.3f", ms / 3000 }')"
  echo "  a picture takes $ms ms; signalled $((ms / 3)) ms into the next"
  check "SIGTERM in the middle of a picture ends it with status 0 within 0.1 s" term_within "$HACK_PID"
else
  fail "no picture in the big window"
  cat "$LOG"
fi
stop "$TESTWIN_PID"

echo "== SIGTERM while the X server does not answer"
# A server that reads a picture slowly, in the limit not at all, holds the
# hack in the middle of sending it; the signal must still end it at once.
# (A shared-memory server and one without MIT-SHM, where the picture goes
# through the socket.)
start_xvfb STALL_DISPLAY -screen 0 320x240x24
STALL_XVFB=${STARTED[-1]}
stall_case() {  # stall_case NAME DISPLAY XVFB_PID
  local log=$WORK/stall-$1.log
  DISPLAY=$2 open_test_window 2048x2048
  DISPLAY=$2 start_hack "$log" --window-id "$TESTWIN_ID" --seed 21 --delay 0 --fps
  if WAIT=60 wait_picture "$log" 1 2048x2048; then
    kill -STOP "$3"
    sleep 1  # the next picture is made meanwhile and waits to be sent
    kill -TERM "$HACK_PID"
    check "SIGTERM while the server ($1) is stopped ends it with status 0" ends_within "$HACK_PID" 10
    kill -CONT "$3"
  else
    fail "no picture in the 2048x2048 window ($1)"
    cat "$log"
  fi
  stop "$HACK_PID" "$TESTWIN_PID"
}
stall_case MIT-SHM "$STALL_DISPLAY" "$STALL_XVFB"
stall_case XPutImage "$PLAIN_DISPLAY" "$PLAIN_XVFB"

echo "== a window of its own"
LOG=$WORK/own.log
start_hack "$LOG" --seed 3 --delay 5 --fps
if wait_picture "$LOG" 1 800x600; then
  own=$(xdotool search --name '^ondulite$' | head -n1)
  check "its own window is titled ondulite" [ -n "$own" ]
  xdotool windowsize "$own" 400 300
  if wait_picture "$LOG" 2 400x300; then
    shoot_window "$own" "$WORK/own.png"
    check "its own window, resized, shows picture 2 at 400x300" same_picture "$WORK/own.png" 3 400x300 2
  else
    fail "no picture after resizing its own window"
  fi
  xdotool key --window "$own" q 2>/dev/null
  check "a key press in its own window ends it with status 0" ends_within "$HACK_PID" 2
else
  fail "no picture in its own window"
  cat "$LOG"
fi
start_hack "$WORK/own-close.log" --seed 3
if WAIT=10 wait_for xdotool search --name '^ondulite$' >/dev/null; then
  "$TESTWIN" --close "$(xdotool search --name '^ondulite$' | head -n1)"
  check "closing its own window (WM_DELETE_WINDOW) ends it with status 0" ends_within "$HACK_PID" 2
else
  fail "its own window did not appear"
fi

echo "== bad input: one line on stderr, status 1"
# refuses NAME ENV... -- ARGS...
refuses() {
  local name=$1 status lines
  shift
  local env=()
  while [ "$1" != "--" ]; do env+=("$1"); shift; done
  shift
  env "${env[@]}" "$HACK" "$@" >"$WORK/bad.out" 2>"$WORK/bad.err"
  status=$?
  lines=$(wc -l <"$WORK/bad.err")
  if [ "$status" -eq 1 ] && [ "$lines" -eq 1 ] && [ ! -s "$WORK/bad.out" ]; then
    pass "$name: $(cat "$WORK/bad.err")"
  else
    fail "$name: status $status, $lines lines on stderr"
    cat "$WORK/bad.err"
  fi
}
refuses "unknown option" -- --bogus
refuses "malformed window id" -- --window-id 0x12zz
open_test_window 16x16
stop "$TESTWIN_PID"
wait_for sh -c "! xdotool getwindowname $TESTWIN_ID >/dev/null 2>&1"
refuses "window id that names no window" -- --window-id "$TESTWIN_ID"
refuses "display that cannot be opened" DISPLAY=:4095 -- --root
refuses "display option that cannot be opened" -- --display :4094 --root
refuses "malformed XSCREENSAVER_WINDOW" XSCREENSAVER_WINDOW=screen -- --root
refuses "XSCREENSAVER_WINDOW with a line break and an escape sequence, shown escaped" \
  XSCREENSAVER_WINDOW=$'0x1\n\e[2Jforged' -- --root
check "the message shows them escaped" grep -qF '0x1\n\x1b[2Jforged' "$WORK/bad.err"
"$HACK" --help >/dev/full 2>"$WORK/full.err"
check "--help to a full standard output ends with status 1" [ $? -eq 1 -a "$(wc -l <"$WORK/full.err")" -eq 1 ]

echo "== run-time libraries"
needed=$(readelf -d "$HACK" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' |
  grep -v -E '^(libX11|libXext|libstdc\+\+|libm|libgcc_s|libc|libasan|libubsan)\.so' | tr '\n' ' ')
check "needs only libX11 and libXext beside the C and C++ (and sanitizer) runtimes${needed:+ (also: $needed)}" [ -z "$needed" ]

echo "== XScreenSaver"
if ! command -v xscreensaver >/dev/null || ! command -v xscreensaver-settings >/dev/null ||
  ! command -v xmllint >/dev/null; then
  echo "  xscreensaver or xmllint is not installed: skipped"
elif [ "$(id -u)" -ne 0 ]; then
  echo "  not root, so no install into the system and no user to run the daemon as: skipped"
else
  STAGE=$WORK/stage
  # The packages' files are checked where they are.
  [ -n "${ONDULITE_X11_INSTALLED:-}" ] && STAGE=
  [ -n "$STAGE" ] && DESTDIR=$STAGE cmake --install "$BUILD" >/dev/null
  check "the install puts the hack, its XML and its desktop file where Debian looks" test \
    -x "$STAGE/usr/libexec/xscreensaver/ondulite" -a -f "$STAGE/usr/share/xscreensaver/config/ondulite.xml" \
    -a -f "$STAGE/usr/share/applications/screensavers/ondulite.desktop"
  check "the desktop file runs the installed hack" \
    grep -qx 'Exec=/usr/libexec/xscreensaver/ondulite --root' "$STAGE/usr/share/applications/screensavers/ondulite.desktop"
  if [ -z "${ONDULITE_X11_INSTALLED:-}" ]; then
    while IFS= read -r staged; do
      path=${staged#"$STAGE"}
      if [ -e "$path" ]; then
        mkdir -p "$WORK/before$(dirname "$path")"
        cp -p "$path" "$WORK/before$path"
      fi
      INSTALLED+=("$path")
    done < <(find "$STAGE" -type f)
    cmake --install "$BUILD" >/dev/null
  fi
  XML=/usr/share/xscreensaver/config/ondulite.xml
  xpath() { xmllint --xpath "$1" "$XML" 2>/dev/null; }
  check "the XML names the hack as its program is called, with a label and a description" \
    [ "$(xpath 'string(/screensaver/@name)')" = ondulite -a -n "$(xpath 'string(/screensaver/@_label)')" \
    -a -n "$(xpath 'normalize-space(/screensaver/_description)')" ]
  check "the XML's command draws on the root, and the delay is a slider of --delay" \
    [ "$(xpath 'string(/screensaver/command/@arg)')" = --root \
    -a "$(xpath 'string(/screensaver/number[@id="delay"]/@type)')" = slider \
    -a "$(xpath 'string(/screensaver/number[@id="delay"]/@arg)')" = "--delay %" ]
  # Every element and attribute used must be one XScreenSaver's own hacks use.
  known=$(cat /usr/share/xscreensaver/config/*.xml | grep -v ondulite | grep -o -E '<[a-z_-]+|[a-z_-]+="' | sort -u)
  ours=$(grep -o -E '<[a-z_-]+|[a-z_-]+="' "$XML" | sort -u)
  unknown=$(comm -13 <(echo "$known") <(echo "$ours") | tr '\n' ' ')
  check "the XML uses only elements and attributes of XScreenSaver's own hacks${unknown:+ (not: $unknown)}" \
    [ -z "$unknown" ]

  # The daemon runs no hacks as root: it and the settings run as nobody.
  SAVER_HOME=$WORK/home
  mkdir -p "$SAVER_HOME"
  printf '%s\n' 'timeout: 0:01:00' 'cycle: 0:00:00' 'lock: False' 'fade: False' 'unfade: False' \
    'splash: False' 'mode: one' 'selected: 0' 'programs: ondulite --root --seed 7 --delay 60' \
    >"$SAVER_HOME/.xscreensaver"
  chown -R nobody:nogroup "$SAVER_HOME"
  AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --init-groups env HOME="$SAVER_HOME")
  preview_runs() { pgrep -u nobody -f "ondulite .*--window-id" >/dev/null; }

  "${AS_NOBODY[@]}" xscreensaver-settings >"$WORK/settings.log" 2>&1 &
  settings=$!
  STARTED+=($settings)
  check "xscreensaver-settings finds ondulite and runs it in its preview" wait_for preview_runs
  preview=$(pgrep -u nobody -f "ondulite .*--window-id" | head -n1)
  STARTED+=($preview)
  check "xscreensaver-settings reads ondulite.xml without complaint" \
    sh -c "! grep -i 'ondulite' '$WORK/settings.log'"
  stop "$settings"
  [ -n "$preview" ] && check "the preview ends once the settings' window is gone" \
    wait_for sh -c "! kill -0 $preview 2>/dev/null"

  "${AS_NOBODY[@]}" xscreensaver -no-splash >"$WORK/daemon.log" 2>&1 &
  daemon=$!
  STARTED+=($daemon)
  sleep 1
  "${AS_NOBODY[@]}" xscreensaver-command -activate >/dev/null 2>&1 ||
    { sleep 1; "${AS_NOBODY[@]}" xscreensaver-command -activate >/dev/null 2>&1; }
  saver_shows() { shoot_window root "$WORK/daemon.png" && same_picture "$WORK/daemon.png" 7 640x480 1 2>/dev/null; }
  check "the daemon runs ondulite into its window: the screen shows picture 1 of the seed" wait_for saver_shows
  hack=$(pgrep -u nobody -f "ondulite --root --seed 7" | head -n1)
  STARTED+=($hack)
  "${AS_NOBODY[@]}" xscreensaver-command -exit >/dev/null 2>&1
  [ -n "$hack" ] && check "the hack ends when the daemon exits" wait_for sh -c "! kill -0 $hack 2>/dev/null"
  stop "$daemon"
  installed=("${INSTALLED[@]}")
  uninstall
  as_before() {
    local path
    for path in "${installed[@]}"; do
      if [ -e "$WORK/before$path" ]; then cmp -s "$WORK/before$path" "$path" || return 1
      elif [ -e "$path" ]; then return 1; fi
    done
  }
  check "the system paths are as before the install again (${#installed[@]} files)" as_before
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
