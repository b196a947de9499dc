#!/bin/sh
# run-wayland-tests.sh [BUILD_DIR]
# The Wayland client on Debian's sway, headless (tests/wayland/wayland_probe.py,
# as CTest entries with the label wayland): installs what they need, builds
# the client, the render tool and the test pointer into BUILD_DIR (default
# build/native) and runs them. Runs as root (the cases then run sway and the
# client as nobody) or as a user with sudo for the installs.
set -eu
cd "$(dirname "$0")/../.."
BUILD=${1:-build/native}
tools/install-deps.sh @native sway swayidle grim wtype weston python3
cmake -S . -B "$BUILD" -DONDULITE_BUILD_WAYLAND=ON -DONDULITE_TEST_WAYLAND=ON >/dev/null
cmake --build "$BUILD" -j2 --target ondulite-wayland ondulite-render ondulite-test-pointer
ctest --test-dir "$BUILD" -L wayland -j2 --output-on-failure
