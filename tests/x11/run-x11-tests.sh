#!/bin/sh
# run-x11-tests.sh [BUILD_DIR]
# ondulite-x11 under Xvfb (tests/x11/x11_probe.py, as CTest entries with the
# label x11): installs what they need, builds the hack, the render tool and
# the test window into BUILD_DIR (default build/native) and runs them. The
# XScreenSaver case installs the hack into the system and removes it again
# (files that were there before come back); it runs as root, and is
# skipped otherwise.
set -eu
cd "$(dirname "$0")/../.."
BUILD=${1:-build/native}
tools/install-deps.sh @native python3 xvfb xdotool imagemagick procps xscreensaver libxml2-utils
cmake -S . -B "$BUILD" -DONDULITE_WARNINGS_AS_ERRORS=ON -DONDULITE_TEST_X11=ON >/dev/null
cmake --build "$BUILD" -j2 --target ondulite-x11 ondulite-render ondulite-test-window
ctest --test-dir "$BUILD" -L x11 -j2 --output-on-failure
