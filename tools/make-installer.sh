#!/bin/sh
# make-installer.sh OUTFILE [TARGET]
# Builds the Windows installer (packaging/windows/ondulite.nsi) from the two
# saver programs already built in build/win32 and build/win64, stripped. TARGET is
# x86-ansi (the release, for every Windows) or amd64-unicode (the same
# installer as a 64-bit program, which a Wine without 32-bit support runs).
# Reproducible: makensis stores the files' times, which are fixed here to the
# last commit's (or SOURCE_DATE_EPOCH); its own output has no time stamp.
set -eu
cd "$(dirname "$0")/.."
out=$1
target=${2:-x86-ansi}

tools/install-deps.sh nsis

version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
stage=build/release/installer-$target
rm -rf "$stage"
mkdir -p "$stage/win32" "$stage/win64" "$(dirname "$out")"
for bits in 32 64; do
  # Stripped as in the zips; strip writes SOURCE_DATE_EPOCH as the link time.
  triple=x86_64-w64-mingw32
  [ "$bits" = 32 ] && triple=i686-w64-mingw32
  SOURCE_DATE_EPOCH=$epoch "$triple-strip" -o "$stage/win$bits/ondulite.scr" "build/win$bits/ondulite.scr"
  chmod 644 "$stage/win$bits/ondulite.scr"
  touch -d "@$epoch" "$stage/win$bits/ondulite.scr"
done
kilobytes() { echo $(( ($(wc -c <"$1") + 1023) / 1024 )); }
rm -f "$out"
# -NOCD: paths are taken from here, not from the script's folder.
makensis -V2 -WX -NOCD -INPUTCHARSET UTF8 \
  "-DVERSION=$version" "-DTARGET=$target" "-DOUTFILE=$out" \
  "-DSAVER32=$stage/win32/ondulite.scr" "-DSAVER64=$stage/win64/ondulite.scr" \
  "-DSIZE32=$(kilobytes "$stage/win32/ondulite.scr")" "-DSIZE64=$(kilobytes "$stage/win64/ondulite.scr")" \
  packaging/windows/ondulite.nsi
echo "$out"
