#!/bin/sh
# check-web-zip.sh
# The release's web zip is the same, byte for byte, when the site is built
# anew (tools/build-web.sh, then tools/zip-web.sh), and holds index.html.
# Leaves the new site in build/web/.
set -u
cd "$(dirname "$0")/../.."
. tests/checks.sh
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="dist/ondulite-$version-web.zip"
first=$(mktemp)
trap 'rm -f "$first"' EXIT
if tools/zip-web.sh >/dev/null && cp "$zip" "$first" && rm -rf build/web build/web-objects &&
  tools/build-web.sh >/dev/null && tools/zip-web.sh >/dev/null; then
  check "$zip is the same, byte for byte, when the site is built anew" cmp -s "$zip" "$first"
  check "$zip holds index.html" sh -c "unzip -Z1 '$zip' | grep -qx 'ondulite-$version-web/index.html'"
else
  fail "building the site and its zip twice"
fi
finish_checks
