#!/bin/sh
# Installs what is missing, builds, and makes a picture with the render tool.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/native >/dev/null
cmake --build build/native -j"$(nproc 2>/dev/null || echo 2)" --target ondulite-render
build/native/tools/ondulite-render --size 1920x1080 -o build/ondulite.png
echo "picture: $(pwd)/build/ondulite.png"
