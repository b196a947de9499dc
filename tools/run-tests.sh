#!/bin/sh
# Installs what is missing, builds everything and runs every test.
# Exits non-zero when anything fails.
set -eu
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh

# Release build: the render tool and the benchmarks, warnings as errors.
cmake -S . -B build/native -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/native -j"$JOBS"

# The pure code and its tests under the address and undefined-behaviour sanitizers.
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DONDULITE_SANITIZE=ON \
      -DONDULITE_BUILD_BENCH=OFF -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/sanitize -j"$JOBS"
ctest --test-dir build/sanitize --output-on-failure -j"$JOBS"
