#!/bin/sh
# Builds the web page into build/web/ (index.html at its root): the page's
# HTML and scripts from web/ and the picture generator compiled to
# WebAssembly twice, with 128-bit SIMD and without; the page loads the one
# that the browser can run. Installs Debian's emscripten when it is missing.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh emscripten nodejs
# Debian's emcc runs its JavaScript optimiser with the system's node, which
# finds the optimiser's modules only here.
export NODE_PATH=/usr/share/nodejs
# Debian's emscripten ships its system libraries prebuilt, in a cache that
# it keeps frozen: a fresh machine builds at once, with no first-run
# library build and no writable cache.

out=build/web
objects=build/web-objects
rm -rf "$out"
mkdir -p "$out" "$objects"

# The same flags as the native picture library: nothing fused behind the
# code's back, warnings as errors.
CXXFLAGS="-std=c++17 -O3 -ffp-contract=off -Wall -Wextra -Werror -I."
SOURCES="picture/random.cpp picture/picture.cpp picture/fast_path.cpp picture/fast_portable.cpp
  picture/fast_sse2.cpp picture/fast_avx2.cpp picture/fast_avx512.cpp picture/fast_wasm128.cpp
  web/picture_exports.cpp"
EXPORTS="_OndulitePlan,_OnduliteVariant,_OnduliteFillItem,_OnduliteRangeFirst,_OnduliteRangeEnd,\
_OnduliteLinesFirst,_OnduliteLinesCount,_OnduliteLines,_OnduliteKernelName"

build_form() {  # simd | scalar
  form=$1
  simd=""
  [ "$form" = simd ] && simd=-msimd128
  objs=""
  for source in $SOURCES; do
    obj="$objects/$form-$(basename "$source" .cpp).o"
    # Unrolled, the SIMD kernel's loops of four sine chains no longer fit
    # the registers and V8 spills them: rolled they run a fifth faster.
    unroll=""
    [ "$source" = picture/fast_wasm128.cpp ] && unroll=-fno-unroll-loops
    emcc $CXXFLAGS $simd $unroll -c "$source" -o "$obj"
    objs="$objs $obj"
  done
  # No file system, no main; a failed allocation returns null (the page
  # says so) instead of aborting; memory grows with the picture.
  emcc -O3 $simd $objs -o "$out/picture-$form.js" \
    -sMODULARIZE=1 -sEXPORT_NAME=createOndulitePicture -sENVIRONMENT=web,worker \
    -sALLOW_MEMORY_GROWTH=1 -sABORTING_MALLOC=0 -sFILESYSTEM=0 --no-entry \
    -sEXPORTED_FUNCTIONS="$EXPORTS" -sEXPORTED_RUNTIME_METHODS=UTF8ToString
}

# The two forms side by side, one per core.
build_form simd &
simd_job=$!
build_form scalar &
scalar_job=$!
failed=0
wait "$simd_job" || failed=1
wait "$scalar_job" || failed=1
[ "$failed" = 0 ] || { echo "build-web.sh: the WebAssembly build failed" >&2; exit 1; }

cp web/index.html web/page.js web/render.js web/worker.js "$out/"
echo "$out/index.html"
