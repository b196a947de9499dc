#!/bin/sh
# check-installer.sh
# Runs the Windows installer for real under Wine, silently, in fresh
# prefixes on a display of its own. The 64-bit Wine of the suite runs 64-bit
# programs only, so there it runs the installer built as a 64-bit program
# from the same script (the release's is the 32-bit build, checked by
# check-release.sh); the choice of saver is the same code. Given SETUP, it
# runs that one: the release's own, in the 32-bit Wine of tools/test-win32.sh.
#  - the NT family: on 64-bit Windows the 64-bit saver lands in system32
#    (not syswow64), on 32-bit Windows the 32-bit one,
#    byte for byte; SCRNSAVE.EXE names it only with /CURRENT; the list of
#    programs holds the uninstaller with publisher, version, size and icon;
#    the installed saver shows its pictures (the probe's picture cases); a
#    second setup while the saver runs is refused and changes nothing;
#    the uninstaller removes the saver, itself and its entry, and resets
#    SCRNSAVE.EXE only while it names ondulite.
#  - Windows 98 (Wine's win98 mode): the 32-bit saver is the one installed,
#    and SYSTEM.INI, where that family keeps it, names it.
#
# usage: check-installer.sh PROBE RENDER [SETUP SAVERS]
# PROBE is the ondulite-probe.exe that Wine runs, RENDER the native
# ondulite-render; SETUP an installer to run instead of the 64-bit build, and
# SAVERS the folder of the two stripped savers that it carries (win32/ and
# win64/ondulite.scr). Scratch files go to TMPDIR, or build/.
set -u
probe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
render=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
given_setup=${3:-}
[ -n "$given_setup" ] && given_setup=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
savers=${4:-}
[ -n "$savers" ] && savers=$(cd "$savers" && pwd)
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
. tools/wine-env.sh
work=$(mktemp -d "${TMPDIR:-$ROOT/build}/installer-test.XXXXXX")
cleanup() {
  stop_wine_and_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
. tests/checks.sh

if [ -n "$given_setup" ]; then
  setup=$given_setup
else
  setup=$work/ondulite-setup-x64.exe
  savers=build/release/installer-amd64-unicode
  tools/make-installer.sh "$setup" amd64-unicode >"$work/make.log" 2>&1 || { cat "$work/make.log"; fail "makensis"; exit 1; }
fi
start_xvfb 801x601 || exit 1

# new_prefix NAME: a fresh prefix, made again once if Wine fails at it.
new_prefix() {
  prefix=$work/$1
  prepare_wine_prefix "$prefix" && return 0
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix"
  prepare_wine_prefix "$prefix"
}

# Folders and registry as the prefix holds them.
system32() { echo "$WINEPREFIX/drive_c/windows/system32"; }
installed() { echo "$WINEPREFIX/drive_c/Program Files/ondulite"; }
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ondulite'
DESKTOP='HKCU\Control Panel\Desktop'
# reg_value KEY NAME: the value's data, empty when there is none.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# Whether TEXT names C:\windows\system32\ondulite.scr (any case).
names_saver() { [ "$(echo "$1" | tr 'A-Z' 'a-z')" = 'c:\windows\system32\ondulite.scr' ]; }

# install [OPTION...]: runs the installer silently; sets setup_status.
install() {
  setup_status=0
  wine "$setup" /S "$@" >"$work/setup.log" 2>&1 || setup_status=$?
}
# uninstall: runs the uninstaller silently. It runs from a copy of itself in
# the temporary folder and returns at once; the copy's last step removes the
# installation folder, which this waits for (at most 60 s).
uninstall() {
  wine "$(installed)/uninstall.exe" /S >/dev/null 2>&1
  tries=0
  while [ -e "$(installed)" ] && [ "$tries" -lt 600 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
}

echo "== the NT family"
new_prefix nt || { fail "a fresh prefix"; exit 1; }
bits=32
[ "$(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' PROCESSOR_ARCHITECTURE)" = AMD64 ] &&
  bits=64
echo "  $bits-bit Windows"
install
check "/S installs with status 0 (got $setup_status)" [ "$setup_status" -eq 0 ]
check "system32 holds the $bits-bit saver, byte for byte" cmp -s "$(system32)/ondulite.scr" "$savers/win$bits/ondulite.scr"
check "syswow64 holds no saver" [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/ondulite.scr" ]
check "no temporary copy is left beside it" [ ! -e "$(system32)/ondulite.scr.new" ]
check "without /CURRENT the current screen saver is left alone" [ -z "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" ]
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
publisher=$(reg_value "$UNINSTALL" Publisher)
display_version=$(reg_value "$UNINSTALL" DisplayVersion)
size=$(reg_value "$UNINSTALL" EstimatedSize)
icon=$(reg_value "$UNINSTALL" DisplayIcon)
uninstaller=$(reg_value "$UNINSTALL" UninstallString)
echo "  listed: $(reg_value "$UNINSTALL" DisplayName), $publisher, $display_version, size $size KB, icon $icon"
check "the list of programs names publisher, version $version, size and icon" \
  [ "$publisher" = "The ondulite authors" -a "$display_version" = "$version" -a -n "$icon" ]
# The size is the saver's and the uninstaller's, not both savers'.
expected_kb=$(( ($(wc -c <"$savers/win$bits/ondulite.scr") + $(wc -c <"$(installed)/uninstall.exe") + 1023) / 1024 ))
check "the listed size is what was installed ($((size)) KB, expected $expected_kb KB)" [ "$((size))" -eq "$expected_kb" ]
check "its uninstaller is where the list says" \
  [ -f "$(installed)/uninstall.exe" -a "$uninstaller" = '"C:\Program Files\ondulite\uninstall.exe"' ]

install /CURRENT
current=$(reg_value "$DESKTOP" SCRNSAVE.EXE)
check "/S /CURRENT installs again with status 0 (got $setup_status)" [ "$setup_status" -eq 0 ]
check "with /CURRENT, SCRNSAVE.EXE names the installed saver ($current)" names_saver "$current"
check "and screen saving is on" [ "$(reg_value "$DESKTOP" ScreenSaveActive)" = 1 ]

# The installed saver at work: the probe's picture cases, full screen and
# preview, against ondulite-render.
probe_log=$work/probe.log
mkdir -p "$work/probe"
sh tools/wine-run.sh "$probe" picture "$(system32)/ondulite.scr" "$work/probe" "$render" >"$probe_log" 2>&1
sed 's/^/  /' "$probe_log"
# Its pace is the picture group's own case; here what counts is the pictures.
check "the installed saver shows its pictures full screen and in the preview" \
  [ "$(grep -c -E '^ok: (full screen|preview): a (screenshot|later screenshot) shows picture [0-9]+' "$probe_log")" -eq 4 ]

# A running saver: the setup must refuse and leave everything as it was.
before=$(ls -li --time-style=+%s "$(system32)/ondulite.scr")
wine 'C:\windows\system32\ondulite.scr' /s >/dev/null 2>&1 &
saver=$!
tries=0
until xdotool search --name '^Screen Saver$' >/dev/null 2>&1 || [ "$tries" -gt 100 ]; do
  tries=$((tries + 1))
  sleep 0.1
done
check "the installed saver runs full screen" xdotool search --name '^Screen Saver$'
install
check "a setup while the saver runs ends with status 2 (got $setup_status)" [ "$setup_status" -eq 2 ]
check "and leaves the saver's file as it was, with no temporary copy" \
  [ "$(ls -li --time-style=+%s "$(system32)/ondulite.scr")" = "$before" -a ! -e "$(system32)/ondulite.scr.new" ]
xdotool mousemove 10 10 mousemove 300 300 >/dev/null 2>&1
wait "$saver"

uninstall
check "the uninstaller removes the saver" [ ! -e "$(system32)/ondulite.scr" ]
check "the uninstaller removes itself and its folder" [ ! -e "$(installed)" ]
check "the uninstaller removes its entry in the list of programs" sh -c "! wine reg query '$UNINSTALL' >/dev/null 2>&1"
check "SCRNSAVE.EXE, which named ondulite, is reset" [ -z "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" ]

install /CURRENT
wine reg add "$DESKTOP" /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
uninstall
check "a SCRNSAVE.EXE that names another saver is kept" \
  [ "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ]
check "and the saver is gone all the same" [ ! -e "$(system32)/ondulite.scr" ]
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# Room for the next prefix, in a small temporary folder.
rm -rf "$WINEPREFIX"

echo "== Windows 98"
new_prefix win98 || { fail "a fresh prefix for win98"; exit 1; }
wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
install /CURRENT
check "/S /CURRENT installs with status 0 (got $setup_status)" [ "$setup_status" -eq 0 ]
check "the 32-bit saver is the one installed, byte for byte" cmp -s "$(system32)/ondulite.scr" "$savers/win32/ondulite.scr"
ini() { tr -d '\r' <"$WINEPREFIX/drive_c/windows/system.ini" | sed -n 's/^SCRNSAVE.EXE=//ip'; }
check "SYSTEM.INI names it as the current screen saver ($(ini))" names_saver "$(ini)"
uninstall
check "the uninstaller removes it, and the SYSTEM.INI entry" [ ! -e "$(system32)/ondulite.scr" -a -z "$(ini)" ]
finish_checks
