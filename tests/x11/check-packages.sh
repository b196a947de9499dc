#!/bin/sh
# check-packages.sh [BUILD_DIR]
# The Debian packages as a user gets them: builds ondulite-x11,
# ondulite-wayland and ondulite-render (tools/make-deb.sh), has lintian check
# them, installs them with apt-get, runs the X11 checks against the installed
# hack and render tool (XScreenSaver's settings and daemon included) and,
# the Wayland pictures case against the installed
# client, then removes and purges them and checks that none of their files is
# left. BUILD_DIR (default build/native) provides the test window and the
# render tool to compare with, built here. Runs as root (or through sudo);
# installs what it needs when missing. Prints ok/FAIL per check; exits
# non-zero when anything failed.
set -u
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
BUILD=${1:-build/native}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
work=$(mktemp -d)
PACKAGES="ondulite-x11 ondulite-wayland ondulite-render"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
cleanup() {
  for package in $PACKAGES; do
    installed "$package" && $SUDO apt-get -o DPkg::Lock::Timeout=900 -y -qq purge "$package" >/dev/null 2>&1
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
. tests/checks.sh
# Another install may hold the package lock (a second checkout's tests):
# wait for it, as tools/install-deps.sh does.
apt() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 -y -qq "$@" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; return 1; }; }

# lintian, and the project's own render tool to compare with; the X11 checks
# install and build the rest of what they need.
{ tools/install-deps.sh @native lintian sway grim python3 && cmake -S . -B "$BUILD" -DONDULITE_WARNINGS_AS_ERRORS=ON &&
  cmake --build "$BUILD" -j2 --target ondulite-render ondulite-test-pointer; } >"$work/setup.log" 2>&1 ||
  { cat "$work/setup.log"; fail "installing and building what the checks need"; exit 1; }
tools/make-deb.sh "$work/dist" >"$work/make.log" 2>&1 || { cat "$work/make.log"; fail "tools/make-deb.sh"; exit 1; }
debs=$(ls "$work"/dist/*.deb)
for deb in $debs; do echo "  $(basename "$deb"): $(wc -c <"$deb") bytes"; done

# Errors and warnings fail; the informational tags are shown.
if lintian --info --display-info --fail-on error,warning $debs >"$work/lintian.log" 2>&1; then
  ok "lintian finds no error or warning"
else
  fail "lintian"
fi
grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/  /'

for deb in $debs; do
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "  $(dpkg-deb -f "$deb" Package) depends on: $depends"
done
x11_deb=$(ls "$work"/dist/ondulite-x11_*.deb)
check_depends() {
  for library in libc6 libx11-6 libxext6; do
    dpkg-deb -f "$x11_deb" Depends | grep -q "\\b$library\\b" || return 1
  done
  [ "$(dpkg-deb -f "$x11_deb" Suggests)" = xscreensaver ]
}
if check_depends; then ok "ondulite-x11 depends on libc6, libx11-6 and libxext6 and suggests xscreensaver"; else
  fail "ondulite-x11's dependencies"; fi
wayland_deb=$(ls "$work"/dist/ondulite-wayland_*.deb)
wayland_depends=$(dpkg-deb -f "$wayland_deb" Depends)
# Its one library beyond the C and C++ runtimes is libwayland-client.
others=$(printf '%s\n' "$wayland_depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' |
  grep -v -x -e libc6 -e libgcc-s1 -e libstdc++6 -e libwayland-client0 | tr '\n' ' ')
if printf '%s\n' "$wayland_depends" | grep -q '\blibwayland-client0\b' && [ -z "$others" ]; then
  ok "ondulite-wayland depends on libwayland-client0 and the C and C++ runtimes only"
else
  fail "ondulite-wayland's dependencies: $wayland_depends"
fi

# Files (not folders) each package holds, as installed paths, but for
# those that this machine's dpkg is told to leave out (path-exclude, as in
# minimal images that drop /usr/share/man and /usr/share/doc).
excluded() {
  sed -n 's/^path-exclude[= ]*//p' /etc/dpkg/dpkg.cfg.d/* 2>/dev/null | {
    while read -r rule; do
      # shellcheck disable=SC2254
      case "$1" in $rule) exit 0 ;; esac
    done
    exit 1
  }
}
for deb in $debs; do
  dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\.||' | while read -r file; do
    if excluded "$file"; then echo "  dpkg here leaves out $file" >&2; else echo "$file"; fi
  done >>"$work/files"
done

if apt install $debs; then ok "apt-get installs the three packages"; else fail "apt-get install"; fi
missing=$(while read -r file; do [ -e "$file" ] || echo "$file"; done <"$work/files")
if [ -z "$missing" ]; then ok "all $(wc -l <"$work/files") files are in place"; else fail "missing: $missing"; fi
if [ -x /usr/libexec/xscreensaver/ondulite ] && [ -f /usr/share/xscreensaver/config/ondulite.xml ] &&
   [ -f /usr/share/applications/screensavers/ondulite.desktop ] && [ -x /usr/bin/ondulite-render ] &&
   [ -x /usr/bin/ondulite-wayland ]; then
  ok "the hack, its XML and desktop file, the Wayland client and the render tool are where Debian looks"
else
  fail "paths of the installed files"
fi
if ! command -v man >/dev/null || excluded /usr/share/man/man6/ondulite.6.gz; then
  echo "  no man, or no manual pages installed here: man pages not looked up"
elif man -w 6 ondulite >/dev/null 2>&1 && man -w 1 ondulite-render >/dev/null 2>&1 &&
     man -w 1 ondulite-wayland >/dev/null 2>&1; then
  ok "man finds ondulite(6), ondulite-wayland(1) and ondulite-render(1)"
else
  fail "man finds no ondulite(6), ondulite-wayland(1) or ondulite-render(1)"
fi

# Debian's build flags must not change a pixel: every variant from the
# package's render tool equals the project's own build's.
built_render=$(find "$BUILD" -name ondulite-render -type f -perm -u+x | head -n1)
same=0
for variant in 0 1 2 3 4 5 6 7; do
  /usr/bin/ondulite-render --seed 2026 --variant "$variant" --size 321x201 -o "$work/packaged.ppm" >/dev/null &&
    "$built_render" --seed 2026 --variant "$variant" --size 321x201 -o "$work/built.ppm" >/dev/null &&
    cmp -s "$work/packaged.ppm" "$work/built.ppm" && same=$((same + 1))
done
if [ "$same" -eq 8 ]; then ok "the packaged render tool makes every variant as $built_render does"; else
  fail "the packaged render tool differs from $built_render in $((8 - same)) of 8 variants"; fi

echo "== the X11 checks against the installed packages"
ONDULITE_X11_INSTALLED=1 bash tests/x11/run-x11-tests.sh "$BUILD" >"$work/x11.log" 2>&1
x11_status=$?
sed 's/^/  /' "$work/x11.log"
if [ "$x11_status" -eq 0 ] && grep -q "the daemon runs ondulite" "$work/x11.log"; then
  ok "the installed hack passes the X11 checks, XScreenSaver's daemon running it"
else
  fail "the X11 checks against the installed hack (status $x11_status)"
fi

echo "== the Wayland client as installed"
if /usr/bin/ondulite-wayland --help >/dev/null; then ok "the installed ondulite-wayland runs"; else
  fail "the installed ondulite-wayland --help"; fi
pointer=$(find "$BUILD" -name ondulite-test-pointer -type f -perm -u+x | head -n1)
if [ -z "$pointer" ]; then
  fail "the test pointer was not built: the installed client's pictures not checked"
elif python3 tests/wayland/wayland_probe.py --client /usr/bin/ondulite-wayland --render /usr/bin/ondulite-render \
       --pointer "$pointer" pictures >"$work/wayland.log" 2>&1; then
  ok "the installed client shows ondulite-render's pictures on a headless sway, byte for byte"
else
  sed 's/^/  /' "$work/wayland.log"
  fail "the Wayland pictures case against the installed client"
fi

if apt remove $PACKAGES; then ok "apt-get removes the three packages"; else fail "apt-get remove"; fi
left=$(while read -r file; do [ -e "$file" ] && echo "$file"; done <"$work/files")
if [ -z "$left" ]; then ok "no file of any of them is left"; else fail "left after remove: $left"; fi
for folder in /usr/share/doc/ondulite-x11 /usr/share/doc/ondulite-wayland /usr/share/doc/ondulite-render; do
  [ -e "$folder" ] && fail "left after remove: $folder"
done
# With no configuration files, removing is purging; a purge after it
# must find nothing to do.
$SUDO dpkg --purge $PACKAGES >/dev/null 2>&1
if ! dpkg-query -W -f='${Status}\n' $PACKAGES 2>/dev/null | grep -q -v 'not-installed'; then
  ok "dpkg's database keeps no trace of any of them"
else
  fail "dpkg still knows: $(dpkg-query -W -f='${Package} ${Status}\n' $PACKAGES 2>&1)"
fi
finish_checks
