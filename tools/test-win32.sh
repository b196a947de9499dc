#!/bin/sh
# Runs the release's real 32-bit programs, the saver and the installer, with
# a 32-bit Wine in an emulated i386 machine: this machine's kernel runs no
# 32-bit program, and the suite's own Wine is 64-bit only.
#
# The machine is a Debian 12 i386 guest with 32-bit Wine, built once
# (tools/win32-guest/make-image.sh, about 10 minutes) and kept in
# ${XDG_CACHE_HOME:-~/.cache}/ondulite/win32-guest under the digest of the
# scripts that make it (its package list among them); a later run reuses it.
# Each test boot starts from that image copy-on-write, so nothing a test does
# stays. QEMU emulates the whole machine (TCG); each boot runs the 32-bit
# probe of tests/e2e and its test doubles against the saver, with the
# pictures on the screen judged against this machine's native ondulite-render,
# which answers the guest through the folder that it shares:
#  - on a Pentium II (-cpu pentium2, no SSE: the x87 path), for Windows 95,
#    98 and NT 4 (the checker of tests/e2e/checker.h in place): every mode
#    and exit code and bad command lines, the full-screen pictures, the
#    dismissal through real X input, and repeated starts;
#  - on QEMU's widest processor (-cpu max): the same for Windows 98 and 10,
#    the preview's pictures, the password services on the 9x family with the
#    32-bit PASSWORD.CPL and MPR.DLL, the about box and its browser command,
#    the release's installer run silently (tests/e2e/check-installer.sh) and
#    repeated starts in every mode.
# Prints each group's checks, the time of each phase and the processor time
# of a picture on each model, and "N passed, M failed" last; non-zero status
# when anything failed. Runs as root (the image is made with debootstrap).
# Not part of tools/run-tests.sh: from nothing it takes about half an hour on
# two cores, from its cache about 17 minutes.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)
guest_tools=tools/win32-guest
# Two emulated processors per boot; boots one after another.
CPUS=2
# How many times longer the probe's limits are in the guest (Scaled in
# tests/e2e/probe.h): Wine starts a program in seconds there.
TIME_SCALE=8
BOOT_LIMIT=7200

if [ "$(id -u)" -ne 0 ]; then
  echo "test-win32: run as root (debootstrap makes the guest's image)" >&2
  exit 1
fi
since=$(date +%s)
phases=""
# phase_done NAME START: records how long a phase took.
phase_done() {
  took=$(($(date +%s) - $2))
  phases="$phases
  $1: $((took / 60))m$(printf %02d $((took % 60)))s"
  echo "test-win32: $1 done in ${took} s"
}

# The emulator and the image's tools; the release's and the probe's builds
# install their own.
tools/install-deps.sh qemu-system-x86 debootstrap cpio e2fsprogs xz-utils @native zip unzip
begin=$(date +%s)
tools/make-release.sh --windows
cmake -S . -B build/native -DONDULITE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/native -j"$JOBS" --target ondulite-render
phase_done "build (release's Windows files, 32-bit probe, render tool)" "$begin"
version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
render=$ROOT/build/native/render/ondulite-render

# The guest's image, made again only when a script that makes it changed.
cache=${ONDULITE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ondulite}/win32-guest
key=$(cat "$guest_tools/make-image.sh" "$guest_tools/guest-machine.sh" "$guest_tools/guest-init" \
  "$guest_tools/initramfs-init" "$guest_tools/install-stage.sh" tools/wine-env.sh | sha256sum | cut -c1-16)
image=$cache/$key
begin=$(date +%s)
if [ -f "$image/root.img" ]; then
  echo "test-win32: the guest's image from the cache, $image"
  phase_done "guest image (cached)" "$begin"
else
  echo "test-win32: making the guest's image in $image"
  mkdir -p "$cache"
  for old in "$cache"/*; do
    [ -d "$old" ] && [ "$old" != "$image" ] && rm -rf "$old"
  done
  rm -rf "$image.new"
  mkdir -p "$image.new"
  sh "$guest_tools/make-image.sh" "$image.new"
  mv "$image.new" "$image"
  phase_done "guest image (made)" "$begin"
fi
. "$guest_tools/guest-machine.sh"

work=$(mktemp -d "$ROOT/build/test-win32.XXXXXX")
responder=""
cleanup() {
  [ -n "$responder" ] && kill "$responder" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# answer_renders SHARE: answers the guest's render.sh with the native render
# tool until ended: each request's arguments, with its -o pointed into a
# folder of the request's own.
answer_renders() {
  requests=$1/render
  while :; do
    for request in "$requests"/*.args; do
      [ -e "$request" ] || continue
      base=${request%.args}
      mkdir -p "$base.out"
      set --
      after_o=""
      while IFS= read -r argument; do
        [ -n "$after_o" ] && argument=$base.out/$(basename "$argument")
        after_o=""
        [ "$argument" = -o ] && after_o=yes
        set -- "$@" "$argument"
      done <"$request"
      rm -f "$request"
      status=0
      "$render" "$@" >"$base.log" 2>&1 || status=$?
      echo "$status" >"$base.status.tmp"
      mv "$base.status.tmp" "$base.status"
    done
    sleep 0.1
  done
}

# What a boot carries: the release's 32-bit saver and installer, the 32-bit
# probe and its doubles, and the project's scripts that the guest runs.
prepare_share() {
  share=$1
  mkdir -p "$share/programs" "$share/render" "$share/tree/tools" "$share/tree/tests/e2e" "$share/installer"
  unzip -q -o -j "dist/ondulite-$version-win32.zip" "ondulite-$version-win32/ondulite.scr" -d "$share/programs"
  for program in ondulite-probe.exe ondulite_checker.dll PASSWORD.CPL MPR.DLL browser_recorder.exe \
                 running_flag.exe dialog_units.exe; do
    cp "build/win32/tests/e2e/$program" "$share/programs/"
  done
  cp "dist/ondulite-$version-setup.exe" "$share/installer/"
  cp -r build/release/installer-x86-ansi/win32 build/release/installer-x86-ansi/win64 "$share/installer/"
  cp CMakeLists.txt "$share/tree/"
  cp tools/wine-env.sh tools/wine-run.sh "$share/tree/tools/"
  cp tests/checks.sh "$share/tree/tests/"
  cp tests/e2e/check-installer.sh "$share/tree/tests/e2e/"
  cp "$guest_tools/test-stage.sh" "$share/stage.sh"
  echo "$TIME_SCALE" >"$share/time-scale"
  cp "$guest_tools/render.sh" "$share/render.sh"
  chmod 755 "$share/render.sh"
}

log=$ROOT/build/test-win32.log
: >"$log"
total_passed=0
total_failed=0
paces=""

# boot NAME CPU GROUPS: one test boot on the processor model CPU running
# GROUPS (lines of test-stage.sh's groups file); adds its checks to the
# counts.
boot() {
  name=$1
  share=$work/$name
  prepare_share "$share"
  printf '%s\n' "$3" >"$share/groups"
  answer_renders "$share" &
  responder=$!
  echo "test-win32: boot $name on $2, $CPUS processors: $(grep -c . "$share/groups") groups"
  begin=$(date +%s)
  mkdir -p "$work/$name-logs"
  booted=yes
  run_guest "$image" "$share" "$2" "$CPUS" "$BOOT_LIMIT" "$work/$name-logs" || booted=no
  kill "$responder" 2>/dev/null
  wait "$responder" 2>/dev/null || true
  responder=""
  {
    echo "=== boot $name ($2)"
    cat "$share/stage.log" 2>/dev/null
  } >>"$log"
  while read -r group command; do
    [ -n "$group" ] || continue
    result=$share/results/$group
    passed=0
    failed=0
    if [ -f "$result.log" ]; then
      { echo "=== $name: $group"; cat "$result.log"; } >>"$log"
      grep -E '^(ok|FAIL): ' "$result.log" | sed "s/^/$name $group: /"
      passed=$(grep -c '^ok: ' "$result.log" || true)
      failed=$(grep -c '^FAIL: ' "$result.log" || true)
      pace=$(sed -n "s/^\(.*processor time per picture.*\)/  $2, \1/p" "$result.log")
      [ -n "$pace" ] && paces="$paces$pace
"
    fi
    status=$(cat "$result.status" 2>/dev/null || echo "none")
    if [ "$status" != 0 ] && [ "$failed" -eq 0 ]; then
      echo "FAIL: $name $group ended with status $status and no failed check"
      failed=1
    fi
    echo "test-win32: $name $group: $passed passed, $failed failed in $(cat "$result.seconds" 2>/dev/null || echo "?") s"
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
  done <"$share/groups"
  if [ "$booted" = no ] && [ ! -f "$share/status" ]; then
    echo "FAIL: boot $name did not end its stage; the end of its console:"
    tail -n 20 "$work/$name-logs/console.log"
    total_failed=$((total_failed + 1))
  fi
  phase_done "boot $name ($2)" "$begin"
}

boot pentium2 pentium2 "$(cat <<'GROUPS'
win95 $probe system $saver $work $render win95
win98 $probe system $saver $work $render win98
nt40 $probe system $saver $work $render nt40
starts-win95 $probe starts $saver $work $render win95 3
starts-nt40 $probe starts $saver $work $render nt40 3
GROUPS
)"

boot max max "$(cat <<'GROUPS'
win98 $probe system $saver $work $render win98
win10 $probe system $saver $work $render win10
preview $probe preview $saver $work $render
password $probe password $saver $work $render
about $probe about-browser $saver $work $render
installer TMPDIR=/var/tmp sh $tree/tests/e2e/check-installer.sh /tmp/programs/ondulite-probe.exe $render $share/installer/ondulite-*-setup.exe $share/installer
starts-win95 $probe starts $saver $work $render win95 6
starts-win98 $probe starts $saver $work $render win98 6
starts-nt40 $probe starts $saver $work $render nt40 6
starts-win10 $probe starts $saver $work $render win10 6
GROUPS
)"

echo "test-win32: phases:$phases"
echo "test-win32: total $(($(date +%s) - since)) s; the guest's image uses $(du -sh "$image" | cut -f1) on disk in $image"
printf 'test-win32: processor time per picture:\n%s' "$paces"
echo "test-win32: the whole output is in $log"
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
