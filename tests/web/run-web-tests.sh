#!/bin/sh
# Builds the web page and tests it in headless Chromium, served from
# 127.0.0.1 by a plain static file server, against ondulite-render's
# pictures; then times a 1920x1080 picture in the browser next to the native
# fast path. Usage: tests/web/run-web-tests.sh [NATIVE_BUILD_DIR]
set -eu
cd "$(dirname "$0")/../.."
native=${1:-build/native}

tools/install-deps.sh @native chromium nodejs python3 imagemagick zip unzip
tools/build-web.sh
if [ ! -x "$native/tools/ondulite-render" ] || [ ! -x "$native/bench/ondulite_bench" ]; then
  cmake -S . -B "$native" >/dev/null
  cmake --build "$native" -j2 --target ondulite-render ondulite_bench
fi

log=$(mktemp)
python3 -u -m http.server 0 --bind 127.0.0.1 --directory build/web >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$log"' EXIT INT TERM
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$log")
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "the static file server did not start:" >&2
  cat "$log" >&2
  exit 1
fi

status=0
# The release's web zip: the same bytes when the site is built anew.
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="dist/ondulite-$version-web.zip"
first=$(mktemp)
tools/zip-web.sh >/dev/null && cp "$zip" "$first" && rm -rf build/web build/web-objects &&
  tools/build-web.sh >/dev/null && tools/zip-web.sh >/dev/null || status=1
if cmp -s "$zip" "$first" && unzip -Z1 "$zip" | grep -qx "ondulite-$version-web/index.html"; then
  echo "ok   $zip is the same, byte for byte, when the site is built anew, and holds index.html"
else
  echo "FAIL $zip differs when the site is built anew, or lacks index.html"
  status=1
fi
rm -f "$first"

node tests/web/browser_test.mjs "http://127.0.0.1:$port" "$native/tools/ondulite-render" || status=1
node tests/web/web_bench.mjs "http://127.0.0.1:$port" "$native/bench/ondulite_bench" || status=1
exit $status
