#!/bin/sh
# Builds the fuzz targets of the platform-free readers of outside input (the
# command line, the registry values, the browser command) with CMake
# (tests/fuzz, ONDULITE_BUILD_FUZZ) under libFuzzer and the address and
# undefined-behaviour sanitizers, and runs each for FUZZ_SECONDS (default
# 30) from its corpus in tests/fuzz/corpus. New inputs go to
# build/fuzz/runs/<target>/found, never into the kept corpus. Prints "ok:"
# or "FAIL:" per target and ends non-zero when any found a fault; the
# crashing input is left in build/fuzz/runs/<target>.
# Installs clang and libclang-rt-14-dev when missing.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh clang libclang-rt-14-dev cmake make pkg-config libdeflate-dev
ROOT=$(pwd)
SECONDS_EACH=${FUZZ_SECONDS:-30}
CXX=${FUZZ_CXX:-clang++}
OUT=build/fuzz
TARGETS="command_line_fuzz browser_command_fuzz registry_value_fuzz"

# The targets come from CMake (ONDULITE_BUILD_FUZZ, tests/fuzz): the
# project's warnings as errors and the product's own libraries, instrumented.
cmake -S . -B "$OUT" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
      -DONDULITE_BUILD_FUZZ=ON -DONDULITE_BUILD_TESTS=OFF -DONDULITE_BUILD_BENCH=OFF -DONDULITE_BUILD_X11=OFF \
      -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$OUT" -j2 --target $TARGETS

. tests/checks.sh
for target in $TARGETS; do
  corpus=tests/fuzz/corpus/${target%_fuzz}
  work=$OUT/runs/$target
  rm -rf "$work"
  mkdir -p "$work/found"
  if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$ROOT/$OUT/tests/fuzz/$target" -max_total_time="$SECONDS_EACH" \
        -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 found "$ROOT/$corpus" >log 2>&1); then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    ok "$target: no finding in ${SECONDS_EACH} s ($runs inputs)"
  else
    tail -n 40 "$work/log"
    fail "$target found a fault; the input is in $work"
  fi
done
finish_checks
