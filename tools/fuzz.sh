#!/bin/sh
# Builds the fuzz targets of the platform-free readers of outside input (the
# command line, the registry values, the browser command) with libFuzzer and
# the address and undefined-behaviour sanitizers, and runs each for
# FUZZ_SECONDS (default 30) from its corpus in tests/fuzz/corpus. New inputs
# go to build/fuzz/<target>/found, never into the kept corpus. Ends non-zero
# on the first finding; the crashing input is left in build/fuzz/<target>.
# Needs clang and libclang-rt-14-dev (tools/install-deps.sh).
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-30}
CXX=${FUZZ_CXX:-clang++}
OUT=build/fuzz
mkdir -p "$OUT/bin"

FLAGS="-std=c++17 -g -O1 -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Wall -Wextra"

build() {  # target sources...
  target=$1
  shift
  $CXX $FLAGS "$@" -o "$OUT/bin/$target"
}

# Two builds at a time: the machine has two cores.
build command_line_fuzz tests/fuzz/command_line_fuzz.cpp host/command_line.cpp &
first=$!
build browser_command_fuzz tests/fuzz/browser_command_fuzz.cpp display/browser_command.cpp
wait $first
build registry_value_fuzz tests/fuzz/registry_value_fuzz.cpp display/registry_value.cpp host/password_rules.cpp

for target in command_line_fuzz browser_command_fuzz registry_value_fuzz; do
  corpus=tests/fuzz/corpus/${target%_fuzz}
  work=$OUT/$target
  rm -rf "$work"
  mkdir -p "$work/found"
  echo "fuzz: $target for ${SECONDS_EACH}s" >&2
  if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "../bin/$target" -max_total_time="$SECONDS_EACH" \
          -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 found "../../../$corpus" >log 2>&1); then
    tail -n 40 "$work/log" >&2
    echo "fuzz: $target found a fault; input in $work" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$work/log" >&2 || true
done
echo "fuzz: no finding" >&2
