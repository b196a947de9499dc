#!/bin/sh
# Writes the web page of build/web/ (tools/build-web.sh) as
# dist/ondulite-<version>-web.zip, reproducibly as the other zips: files
# with the time of the last commit (or SOURCE_DATE_EPOCH), fixed
# permissions, no extra fields, a fixed order, the time zone UTC.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh zip
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
name="ondulite-$version-web"
stage="build/release/$name"
[ -f build/web/index.html ] || { echo "zip-web.sh: build/web/ holds no site; run tools/build-web.sh" >&2; exit 1; }
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/web/* "$stage/"
chmod 644 "$stage"/*
touch -d "@$epoch" "$stage"/* "$stage"
files=$(cd build/release && LC_ALL=C ls "$name" | sed "s|^|$name/|")
rm -f "dist/$name.zip"
# shellcheck disable=SC2086 # the names hold no spaces
(cd build/release && TZ=UTC zip -q -X -D "../../dist/$name.zip" $files)
echo "dist/$name.zip"
