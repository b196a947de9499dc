#!/bin/sh
# Installs what is missing, builds everything and runs every test: the
# native unit tests under the sanitizers, the X11 hack under Xvfb and as
# an installed Debian package, the Wayland client on a headless sway, the fuzz targets, the Windows saver (and
# its installer) under Wine, the 32-bit picture code on emulated Pentium II
# and newer processors, and the web page in Chromium. Every stage runs even
# when an earlier one failed; the status is non-zero when any failed. Each
# stage installs what it needs itself, so each one also runs alone.
set -eu
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)

failures=""
stage() {  # name command...
  name=$1
  shift
  echo "=== $name"
  begin=$(date +%s)
  result=passed
  if ! "$@"; then
    failures="$failures $name"
    result=FAILED
  fi
  # The whole run must stay within 20 minutes on two cores, installs included.
  echo "=== $name $result in $(($(date +%s) - begin)) s"
}

native() {
  tools/install-deps.sh @native &&
  # Release build: the render tool, the X11 hack and the benchmarks, warnings as errors.
  cmake -S . -B build/native -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null &&
  cmake --build build/native -j"$JOBS" &&
  # The pure code and its tests under the address and undefined-behaviour sanitizers.
  cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DONDULITE_SANITIZE=ON \
        -DONDULITE_BUILD_BENCH=OFF -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null &&
  cmake --build build/sanitize -j"$JOBS" &&
  ctest --test-dir build/sanitize --output-on-failure -j"$JOBS"
}

stage "native unit tests" native
stage "X11 hack" tests/x11/run-x11-tests.sh build/native
stage "Wayland client" tests/wayland/run-wayland-tests.sh build/native
stage "Debian packages" tests/packages/run-package-tests.sh build/native
stage "fuzzing" tools/fuzz.sh
stage "Windows saver under Wine" tools/test-windows.sh
stage "32-bit code on emulated processors" tools/test-i686.sh
stage "web page in Chromium" tests/web/run-web-tests.sh build/native

if [ -n "$failures" ]; then
  echo "failed stages:$failures"
  exit 1
fi
echo "all stages passed"
