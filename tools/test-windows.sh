#!/bin/sh
# Builds both saver programs and runs the Wine end-to-end suite: a virtual X
# display, a fresh Wine prefix, the 64-bit saver driven from outside by the
# probes in tests/e2e, and the check that both .scr files are GUI programs
# importing system DLLs only. Ends with "N passed, M failed" and a non-zero
# status when anything failed. With --soak it adds the minute-long run.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)
LABELS="-LE soak"
[ "${1:-}" = "--soak" ] && LABELS=""

# The suite's tools: Wine in virtual displays (Xephyr for several monitors),
# input and screenshots, the release's and the installer's checks (the
# release scripts install their own), the render tool's build.
tools/install-deps.sh @native wine wine64 xvfb xserver-xephyr xdotool imagemagick procps file unzip nsis
tools/build-windows.sh
# The picture cases compare the screen with the native render tool.
cmake -S . -B build/native -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/native -j"$JOBS" --target ondulite-render

. tools/wine-env.sh
PREFIX=$(mktemp -d "$ROOT/build/wine-test-prefix.XXXXXX")
cleanup() {
  stop_wine_and_xvfb
  rm -rf "$PREFIX" "$ROOT/build/win64/e2e-work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# An odd screen size: the full-screen picture is made one column and one
# line larger and clipped, which the picture cases see.
start_xvfb 801x601
if ! prepare_wine_prefix "$PREFIX"; then
  # Once in a while Wine fails to set up a new prefix; a second one is made
  # from nothing rather than losing the whole suite to it.
  echo "Wine: preparing the prefix again, from nothing" >&2
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$PREFIX"
  prepare_wine_prefix "$PREFIX"
fi

# ctest's own status decides (through a file: the pipe to tee would hide
# it); the counts from its lines are for the reader.
log="$ROOT/build/test-windows.log"
failures="$ROOT/build/test-windows.failed"
rm -f "$failures"
{
  ctest --test-dir build/win32 -L static --output-on-failure --no-tests=error || echo win32 >>"$failures"
  ctest --test-dir build/win64 $LABELS --output-on-failure --no-tests=error || echo win64 >>"$failures"
} 2>&1 | tee "$log"

passed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$log" || true)
failed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Failed|Timeout|Not Run|Exception)' "$log" || true)
echo "$passed passed, $failed failed"
[ ! -e "$failures" ]
