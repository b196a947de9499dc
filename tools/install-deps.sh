#!/bin/sh
# Installs the Debian packages that building and testing ondulite need, and
# nothing when they are all present already. Runs as root (or through sudo).
# With package names, installs those alone (when missing); the name @native
# stands for everything that configuring and building build/native needs
# (CMake's defaults: the render tool, the X11 hack, the unit tests and the
# benchmarks). Every script that builds or tests names what it uses itself,
# so that it works run alone, first, on a fresh machine.
set -eu

NATIVE="
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev libpng-dev libdeflate-dev
  libx11-dev libxext-dev
  libwayland-dev libwayland-bin wayland-protocols
"
PACKAGES="
  $NATIVE
  sway swayidle grim wtype weston
  xvfb xdotool imagemagick procps xscreensaver libxml2-utils
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 zip unzip file xserver-xephyr
  clang libclang-rt-14-dev
  g++-i686-linux-gnu qemu-user-static
  nsis dpkg-dev lintian
  emscripten chromium nodejs python3
"
if [ $# -gt 0 ]; then
  PACKAGES=""
  for p in "$@"; do
    [ "$p" = @native ] && p=$NATIVE
    PACKAGES="$PACKAGES $p"
  done
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing:$missing" >&2
# Another install may hold the package lock (a second checkout's tests,
# say): wait for it rather than fail.
LOCK_WAIT="-o DPkg::Lock::Timeout=900"
$SUDO apt-get $LOCK_WAIT update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get $LOCK_WAIT install -y -qq --no-install-recommends $missing >/dev/null
