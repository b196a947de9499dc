#!/bin/sh
# Makes the about box's picture, resources/about.bmp, with the project's own
# render tool: one fixed picture of the saver at the box's 264 x 220 pixels,
# a 24-bit bottom-up BMP at 2834 pixels per metre. The plain scalar
# evaluation keeps the file the same whatever faster path the tool gains.
# The seed and the size are display/about_picture.h's, where the box makes
# the same picture at other scales; a unit test holds the two together.
# Usage: resources/make-about-picture.sh [path to ondulite-render]
set -eu
cd "$(dirname "$0")/.."
RENDER=${1:-build/native/render/ondulite-render}
if [ ! -x "$RENDER" ]; then
  cmake -S . -B build/native >/dev/null
  cmake --build build/native --target ondulite-render >/dev/null
  RENDER=build/native/render/ondulite-render
fi
"$RENDER" --seed 2026 --picture 1 --reference --size 264x220 -o resources/about.bmp
