#!/bin/sh
# run-web-tests.sh [NATIVE_BUILD_DIR]
# Builds the web page and runs its cases (as CTest entries with the label
# web): the page in headless Chromium against ondulite-render's pictures,
# and the web zip made twice. Then, not a check, times a 1920x1080 picture
# in the browser next to the native fast path. Installs what it needs; the
# render tool and the benchmark are built in NATIVE_BUILD_DIR (default
# build/native).
set -eu
cd "$(dirname "$0")/../.."
native=${1:-build/native}

tools/install-deps.sh @native chromium nodejs python3 imagemagick zip unzip
tools/build-web.sh
cmake -S . -B "$native" -DONDULITE_TEST_WEB=ON >/dev/null
cmake --build "$native" -j2 --target ondulite-render ondulite_bench
status=0
ctest --test-dir "$native" -L web --output-on-failure || status=1
node tests/web/web_bench.mjs build/web "$native/bench/ondulite_bench" || status=1
exit $status
