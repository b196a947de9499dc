#!/bin/sh
# run-package-tests.sh [BUILD_DIR]
# The Debian packages as a user gets them (tests/packages/package_probe.py
# and the X11 and Wayland cases against the installed programs, as CTest
# entries with the label packages): installs what they need, builds the
# render tool to compare with and the test window and pointer into
# BUILD_DIR (default build/native), and runs them. Runs as root (or
# through sudo): the packages are installed with apt-get and removed again.
set -eu
cd "$(dirname "$0")/../.."
BUILD=${1:-build/native}
tools/install-deps.sh @native lintian dpkg-dev python3 xvfb xdotool imagemagick procps xscreensaver \
  libxml2-utils sway swayidle grim wtype weston
cmake -S . -B "$BUILD" -DONDULITE_WARNINGS_AS_ERRORS=ON -DONDULITE_BUILD_WAYLAND=ON -DONDULITE_TEST_PACKAGES=ON \
  >/dev/null
cmake --build "$BUILD" -j2 --target ondulite-render ondulite-test-window ondulite-test-pointer
ctest --test-dir "$BUILD" -L packages -j2 --output-on-failure
