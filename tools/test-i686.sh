#!/bin/sh
# Runs the 32-bit saver's picture code on emulated processors: the render
# tool and the picture unit tests, built for i686 Linux with the saver's own
# code generation (cmake/i686-linux-gnu.cmake), under qemu-i386-static as a
# Pentium II (no SSE at all: any SSE instruction outside the run-time choice
# ends the program with SIGILL) and as QEMU's widest model. Every variant's
# pictures, at odd and even sizes, must equal the native 64-bit render tool's
# byte for byte, and the Pentium II must get the portable kernel.
# Prints "N passed, M failed" last; non-zero status when anything failed.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh @native g++-i686-linux-gnu qemu-user-static file

cmake -S . -B build/native -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/native -j"$JOBS" --target ondulite-render
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake -DONDULITE_WARNINGS_AS_ERRORS=ON \
      -DONDULITE_BUILD_X11=OFF -DONDULITE_BUILD_BENCH=OFF >/dev/null
cmake --build build/i686 -j"$JOBS" --target ondulite-render picture_tests render_tool_tests

native=build/native/render/ondulite-render
render=build/i686/render/ondulite-render
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. tests/checks.sh

# Seed:size cases, two pictures each, every variant: two seeds at even and
# odd windows, the smallest one and a tall narrow one; and seed 31 at
# 160x120, whose first palette changes when a float is not rounded.
CASES=""
for seed in 2026 4294967295; do
  for size in 64x48 65x47 1x1 2x2 33x17 7x90; do CASES="$CASES $seed:$size"; done
done
CASES="$CASES 31:160x120"
# The palette takes the C library's sine. On processors with FMA, 64-bit
# glibc switches to a sine built with fused steps, which differs from its
# plain one by an ulp in about 1 of 1500 arguments, and so, very rarely, a
# palette entry; 32-bit glibc has only the plain one. Native pictures are
# made with the plain one here, so that the comparison is of the picture
# code alone.
for case in $CASES; do
  seed=${case%%:*}
  size=${case#*:}
  for variant in 0 1 2 3 4 5 6 7; do
    GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA,-FMA4 "$native" --seed "$seed" --size "$size" --variant "$variant" --count 2 --threads 1 \
      -o "$work/native-$seed-$size-$variant.ppm" 2>/dev/null
  done
done

for cpu in pentium2 max; do
  export QEMU_CPU=$cpu
  level=$(qemu-i386-static "$render" --show-simd) || level="(status $?)"
  case "$cpu:$level" in
    pentium2:portable) ok "$cpu runs the portable kernel" ;;
    pentium2:*) fail "$cpu chose '$level', not portable" ;;
    max:sse2 | max:avx2 | max:avx512) ok "$cpu runs the $level kernel" ;;
    *) fail "$cpu chose '$level'" ;;
  esac
  if [ "$cpu" = pentium2 ]; then
    if qemu-i386-static "$render" --simd sse2 --size 8x8 -o "$work/refused.ppm" 2>/dev/null; then
      fail "$cpu accepted --simd sse2"
    else
      ok "$cpu refuses --simd sse2"
    fi
  fi

  different=""
  pictures=0
  for case in $CASES; do
    seed=${case%%:*}
    size=${case#*:}
    for variant in 0 1 2 3 4 5 6 7; do
      # Two threads on the emulated processor: the pool's threads set their own float mode.
      if ! qemu-i386-static "$render" --seed "$seed" --size "$size" --variant "$variant" --count 2 --threads 2 \
           -o "$work/$cpu-$seed-$size-$variant.ppm"; then
        different="$different $seed/$size/$variant(status)"
        continue
      fi
      for n in 1 2; do
        pictures=$((pictures + 1))
        cmp -s "$work/native-$seed-$size-$variant-$n.ppm" "$work/$cpu-$seed-$size-$variant-$n.ppm" ||
          different="$different $seed/$size/$variant/$n"
      done
    done
  done
  if [ -z "$different" ]; then
    ok "$cpu: $pictures pictures equal the native ones byte for byte"
  else
    fail "$cpu: pictures differ from the native ones:$different"
  fi

  # The picture unit tests on the emulated processor; the render tool's
  # process cases start the i686 tool through qemu with the same QEMU_CPU.
  # The whole fast path against the reference takes minutes under emulation:
  # its parts that make pictures on several threads stand for it.
  fast_filter='FastPath.WorkItemsAndBandsEqualOnePass:FastPath.BandPoolIsIndependentOfThreadCount:FastPath.EmptySizesWriteNoPixel'
  if [ "$cpu" = pentium2 ]; then
    runs="picture_tests:-FastPath.*:FastSine.* picture_tests:$fast_filter render_tool_tests:*"
  else
    runs="picture_tests:GeneratePicture.*:SimdChoice.*:PictureFloatMode.*:$fast_filter render_tool_tests:RenderToolProcess.*"
  fi
  run=0
  set -f  # the filters' stars are not file names
  for test in $runs; do
    run=$((run + 1))
    program=${test%%:*}
    log="$work/$program-$cpu-$run.log"
    if (cd "$work" && qemu-i386-static "$ROOT/build/i686/tests/$program" --gtest_brief=1 \
          --gtest_filter="${test#*:}") > "$log" 2>&1; then
      ok "$cpu: $program, $(sed -n 's/^\[==========\] \(.*\) ran.*/\1/p' "$log")"
    else
      fail "$cpu: $program"
      cat "$log"
    fi
    grep '^\[ simd \]' "$log" || true
  done
  set +f
done
unset QEMU_CPU

finish_checks
