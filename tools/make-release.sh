#!/bin/sh
# Builds dist/ondulite-<version>-win32.zip and -win64.zip, each holding the
# saver and a short text on installing it, and -web.zip, the web page
# (docs/release.md). The zips are
# reproducible: the same sources give the same bytes (programs linked
# without a time stamp, fixed file times from the last commit, no owner or
# extra fields, a fixed order).
set -eu
cd "$(dirname "$0")/.."

tools/build-windows.sh

version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
mkdir -p dist

for bits in 32 64; do
  name="ondulite-$version-win$bits"
  stage="build/release/$name"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "build/win$bits/ondulite.scr" "$stage/ondulite.scr"
  if [ "$bits" = 32 ]; then
    folder='C:\Windows\SysWOW64 on 64-bit Windows, C:\Windows\System32 on 32-bit Windows
    (C:\WINDOWS on Windows 98 and Me)'
    # The pictures are computed with SSE2, which Windows 95 does not enable.
    fits='32-bit Windows. It also runs on 64-bit Windows,
and on Windows 98 and Me with a processor that has SSE2'
  else
    folder='C:\Windows\System32'
    fits='64-bit Windows'
  fi
  # Windows' own editors want CRLF line ends.
  sed 's/$/\r/' > "$stage/INSTALL.txt" <<TEXT
ondulite $version, a screen saver for $fits.

Install
  Right-click ondulite.scr and choose Install. The desktop's screen-saver
  settings open with ondulite selected; choose OK.

  Or copy ondulite.scr into the system folder that matches its bits:
    $folder
  and choose "ondulite" in the screen-saver settings.

Use
  A new picture every second. Moving the mouse, pressing a key or a mouse
  button ends it. The Settings button shows the about box.

Remove
  Delete ondulite.scr from the folder you copied it to.
TEXT
  chmod 644 "$stage/ondulite.scr" "$stage/INSTALL.txt"
  touch -d "@$epoch" "$stage/ondulite.scr" "$stage/INSTALL.txt" "$stage"
  rm -f "dist/$name.zip"
  (cd build/release && TZ=UTC zip -q -X -D "../../dist/$name.zip" "$name/ondulite.scr" "$name/INSTALL.txt")
  echo "dist/$name.zip"
done

# The web page, to put on any static host.
tools/build-web.sh >/dev/null
tools/zip-web.sh
