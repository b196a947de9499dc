#!/bin/sh
# Makes the installer's icon, packaging/windows/ondulite.ico, with the
# project's own render tool: the about box's picture (seed 2026, picture 1)
# made at 48, 32 and 16 pixels square in true colour, and at 32 and 16 in
# 256 colours for Windows 95 to 2000, which show no 32-bit icons. The plain
# scalar evaluation keeps the file the same whatever faster path the tool
# gains.
# Usage: packaging/windows/make-icon.sh [path to ondulite-render]
set -eu
cd "$(dirname "$0")/../.."
RENDER=${1:-build/native/render/ondulite-render}
if [ ! -x "$RENDER" ]; then
  cmake -S . -B build/native >/dev/null
  cmake --build build/native --target ondulite-render >/dev/null
  RENDER=build/native/render/ondulite-render
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 48 32 16; do
  "$RENDER" --seed 2026 --picture 1 --reference --size "${size}x$size" -o "$work/$size.png"
done
convert "$work/48.png" "$work/32.png" "$work/16.png" \
  \( "$work/32.png" -colors 256 \) \( "$work/16.png" -colors 256 \) packaging/windows/ondulite.ico
