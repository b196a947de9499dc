#!/bin/sh
# Installs what is missing, then cross-builds ondulite.scr for 32-bit
# (build/win32) and 64-bit (build/win64) Windows with MinGW-w64, warnings as
# errors. The 64-bit tree also holds the Wine end-to-end probes.
set -eu
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh cmake make g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 \
  binutils-mingw-w64-x86-64

for target in i686:win32 x86_64:win64; do
  arch=${target%%:*}
  dir=build/${target#*:}
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
  cmake --build "$dir" -j"$JOBS"
done
echo "built: $(pwd)/build/win32/ondulite.scr $(pwd)/build/win64/ondulite.scr"
