#!/bin/sh
# check-release.sh
# Makes the release twice, the second time with both saver programs linked
# anew, and checks that the zips come out byte for byte the same and that
# each holds exactly its folder's ondulite.scr (a Windows GUI program for
# its processor) and INSTALL.txt (CRLF text naming the folder that fits);
# and that the installer and the Debian packages come out the same too.
set -u
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. tests/checks.sh

tools/make-release.sh >"$work/first.log" 2>&1 || { cat "$work/first.log"; fail "make-release.sh (first run)"; finish_checks; exit 1; }
for bits in 32 64; do cp "dist/ondulite-$version-win$bits.zip" "$work/first-win$bits.zip"; done
arch=$(dpkg --print-architecture)
packaged="ondulite-$version-setup.exe ondulite-x11_${version}_$arch.deb ondulite-wayland_${version}_$arch.deb
  ondulite-render_${version}_$arch.deb"
for file in $packaged; do cp "dist/$file" "$work/first-$file"; done
rm -f build/win32/ondulite.scr build/win64/ondulite.scr
find build/deb -type f \( -name ondulite-x11 -o -name ondulite-wayland -o -name ondulite-render \) -exec rm -f {} +
tools/make-release.sh >"$work/second.log" 2>&1 || { cat "$work/second.log"; fail "make-release.sh (second run)"; finish_checks; exit 1; }

for bits in 32 64; do
  name="ondulite-$version-win$bits"
  zip="dist/$name.zip"
  if cmp -s "$zip" "$work/first-win$bits.zip"; then
    ok "$zip is the same, byte for byte, when made again with the programs linked anew"
  else
    fail "$zip differs between two runs"
  fi
  entries=$(unzip -Z1 "$zip" | tr '\n' ' ')
  if [ "$entries" = "$name/ondulite.scr $name/INSTALL.txt " ]; then
    ok "$zip holds $entries"
  else
    fail "$zip holds: $entries"
  fi
  mkdir -p "$work/$bits"
  unzip -q -o "$zip" -d "$work/$bits" || fail "cannot unpack $zip"
  kind=$(file -b "$work/$bits/$name/ondulite.scr")
  if [ "$bits" = 32 ]; then want="PE32 executable (GUI) Intel 80386"; folder='SysWOW64'; else
    want="PE32+ executable (GUI) x86-64"; folder='System32'; fi
  case "$kind" in
    "$want"*) ok "$name/ondulite.scr is a $want program" ;;
    *) fail "$name/ondulite.scr is: $kind" ;;
  esac
  triple=x86_64-w64-mingw32
  [ "$bits" = 32 ] && triple=i686-w64-mingw32
  sections=$("$triple-objdump" -h "$work/$bits/$name/ondulite.scr") || fail "cannot read $name/ondulite.scr"
  symbols=$("$triple-objdump" -t "$work/$bits/$name/ondulite.scr" | grep -c '^\[' || true)
  if printf '%s\n' "$sections" | grep -q '\.debug_' || [ "$symbols" -ne 0 ]; then
    fail "$name/ondulite.scr is not stripped ($symbols symbols)"
  else
    ok "$name/ondulite.scr is stripped"
  fi
  install_text="$work/$bits/$name/INSTALL.txt"
  if grep -q "choose Install" "$install_text" && grep -q "$folder" "$install_text" &&
     [ "$(grep -c "$(printf '\r')\$" "$install_text")" -eq "$(wc -l <"$install_text")" ]; then
    ok "$name/INSTALL.txt explains installing (right-click Install, or $folder), CRLF lines"
  else
    fail "$name/INSTALL.txt"
  fi
done

# The installer and the packages: the same bytes, the installer a 32-bit
# Windows program whose subsystem version 4.0 lets Windows 95 and NT 4 run it.
for file in $packaged; do
  if cmp -s "dist/$file" "$work/first-$file"; then
    ok "dist/$file is the same, byte for byte, when made again with the programs linked anew"
  else
    fail "dist/$file differs between two runs"
  fi
done
setup=dist/ondulite-$version-setup.exe
kind=$(file -b "$setup")
subsystem=$(objdump -p "$setup" | awk '/MajorSubsystemVersion/ { major = $2 } /MinorSubsystemVersion/ { minor = $2 }
  END { print major "." minor }')
case "$kind" in
  "PE32 executable (GUI) Intel 80386"*"Nullsoft Installer"*) [ "$subsystem" = 4.0 ] &&
    ok "$setup is a 32-bit Nullsoft installer for Windows 4.0 (95, NT 4) and later" ||
    fail "$setup needs Windows $subsystem" ;;
  *) fail "$setup is: $kind" ;;
esac
finish_checks
