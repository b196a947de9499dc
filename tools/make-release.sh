#!/bin/sh
# Builds dist/ondulite-<version>-win32.zip and -win64.zip, each holding the
# saver and a short text on installing it, and -web.zip, the web page
# (docs/release.md). The zips are
# reproducible: the same sources give the same bytes (programs linked
# without a time stamp, fixed file times from the last commit, no owner or
# extra fields, a fixed order).
# It also writes the Windows installer and the Debian packages. With
# --windows, only what Windows gets: the two saver zips and the installer.
set -eu
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
  echo "make-release: no version in CMakeLists.txt's project(ondulite VERSION ...)" >&2
  exit 1
fi
tools/install-deps.sh zip
tools/build-windows.sh

epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
mkdir -p dist

for bits in 32 64; do
  name="ondulite-$version-win$bits"
  stage="build/release/$name"
  rm -rf "$stage"
  mkdir -p "$stage"
  # Without symbols and debug sections, which only the build's own checks
  # read; strip writes SOURCE_DATE_EPOCH as the link time, so the bytes stay
  # the same.
  triple=x86_64-w64-mingw32
  [ "$bits" = 32 ] && triple=i686-w64-mingw32
  SOURCE_DATE_EPOCH=$epoch "$triple-strip" -o "$stage/ondulite.scr" "build/win$bits/ondulite.scr"
  if [ "$bits" = 32 ]; then
    folder='C:\Windows\SysWOW64 on 64-bit Windows, C:\Windows\System32 on 32-bit Windows
    (C:\WINDOWS on Windows 95, 98 and Me, C:\WINNT\SYSTEM32 on NT 4 and 2000)'
    fits='every 32-bit Windows: 95, 98, Me, NT 4,
2000, XP and later (64-bit Windows runs it too, but take the 64-bit
one there). Windows 95 needs msvcrt.dll, which Internet Explorer 4 and
many programs install. Processor: Pentium Pro, Pentium II or later, or
Athlon or later (not the original Pentium or the K6)'
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

# The installer for every Windows, carrying both programs (docs/release.md).
tools/make-installer.sh "dist/ondulite-$version-setup.exe"
[ "${1:-}" = --windows ] && exit 0
# The Debian packages of the hack and of the render tool.
tools/make-deb.sh dist
# The web page, to put on any static host.
tools/build-web.sh >/dev/null
tools/zip-web.sh
