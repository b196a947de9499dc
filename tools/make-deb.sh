#!/bin/sh
# make-deb.sh OUTDIR
# Builds the Debian packages into OUTDIR: ondulite-x11 (the XScreenSaver
# hack, its XML, its desktop file, ondulite(6)), ondulite-wayland (the
# Wayland client and ondulite-wayland(1)) and ondulite-render (the render
# tool and ondulite-render(1)), from a Release build with Debian's
# hardening flags in build/deb. Dependencies come from the programs
# themselves (dpkg-shlibdeps). Reproducible: the programs are stripped, and
# every file gets the last commit's time (or SOURCE_DATE_EPOCH), root as
# owner and fixed permissions.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
out=$1
JOBS=$(nproc 2>/dev/null || echo 2)

tools/install-deps.sh cmake g++ make pkg-config libx11-dev libxext-dev libdeflate-dev dpkg-dev \
  libwayland-dev libwayland-bin wayland-protocols

version=$(sed -n 's/^project(ondulite VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
export SOURCE_DATE_EPOCH
arch=$(dpkg --print-architecture)
maintainer="The ondulite authors <ondulite@users.noreply.github.com>"
homepage=https://github.com/ondulite/ondulite

# Debian's flags (hardening, and file paths made relative for
# reproducibility); the project's Release flags follow them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DONDULITE_BUILD_TESTS=OFF -DONDULITE_BUILD_BENCH=OFF \
  -DONDULITE_BUILD_WAYLAND=ON -DONDULITE_WARNINGS_AS_ERRORS=ON -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build/deb -j"$JOBS" --target ondulite-x11 ondulite-wayland ondulite-render

work=build/release/deb
rm -rf "$work"
mkdir -p "$work" "$out"

# stage PACKAGE: the package's tree with its documents.
stage() {
  dir=$work/$1
  mkdir -p "$dir/DEBIAN" "$dir/usr/share/doc/$1"
  cp packaging/debian/copyright "$dir/usr/share/doc/$1/copyright"
  gzip -9nc packaging/debian/changelog >"$dir/usr/share/doc/$1/changelog.gz"
}
stage ondulite-x11
stage ondulite-wayland
stage ondulite-render
x11=$work/ondulite-x11
wayland=$work/ondulite-wayland
render=$work/ondulite-render

# The hack's and the Wayland client's paths are the build's install rules.
DESTDIR=$ROOT/$x11 cmake --install build/deb --component Unspecified >/dev/null
mkdir -p "$x11/usr/share/man/man6"
gzip -9nc packaging/debian/ondulite.6 >"$x11/usr/share/man/man6/ondulite.6.gz"
DESTDIR=$ROOT/$wayland cmake --install build/deb --component wayland --prefix /usr >/dev/null
mkdir -p "$wayland/usr/share/man/man1"
gzip -9nc packaging/debian/ondulite-wayland.1 >"$wayland/usr/share/man/man1/ondulite-wayland.1.gz"

if [ -e "$x11/usr/bin/ondulite-render" ]; then
  mkdir -p "$render/usr/bin"
  mv "$x11/usr/bin/ondulite-render" "$render/usr/bin/"
  rmdir "$x11/usr/bin"
else
  tool=$(find build/deb -name ondulite-render -type f -perm -u+x | head -n1)
  install -D -m 755 "$tool" "$render/usr/bin/ondulite-render"
fi
mkdir -p "$render/usr/share/man/man1"
gzip -9nc packaging/debian/ondulite-render.1 >"$render/usr/share/man/man1/ondulite-render.1.gz"

for program in "$x11/usr/libexec/xscreensaver/ondulite" "$wayland/usr/bin/ondulite-wayland" \
  "$render/usr/bin/ondulite-render"; do
  strip --remove-section=.comment --remove-section=.note --strip-unneeded "$program"
done

# depends PROGRAM: the Depends line dpkg-shlibdeps computes for it.
depends() {
  shlibs=$(mktemp -d)
  mkdir "$shlibs/debian"
  printf 'Source: ondulite\n\nPackage: ondulite\nArchitecture: any\n' >"$shlibs/debian/control"
  (cd "$shlibs" && dpkg-shlibdeps -O "$ROOT/$1") | sed -n 's/^shlibs:Depends=//p'
  rm -rf "$shlibs"
}

# control PACKAGE SECTION SUGGESTS DESCRIPTION: DEBIAN/control and md5sums.
control() {
  dir=$work/$1
  program=$(find "$dir/usr/bin" "$dir/usr/libexec" -type f 2>/dev/null | head -n1)
  find "$dir" -type d -exec chmod 755 {} +
  find "$dir/usr" -type f ! -perm -u+x -exec chmod 644 {} +
  size=$(du -k -s --apparent-size --exclude=DEBIAN "$dir" | cut -f1)
  {
    echo "Package: $1"
    echo "Version: $version"
    echo "Architecture: $arch"
    echo "Maintainer: $maintainer"
    echo "Installed-Size: $size"
    echo "Depends: $(depends "$program")"
    [ -n "$3" ] && echo "Suggests: $3"
    echo "Section: $2"
    echo "Priority: optional"
    echo "Homepage: $homepage"
    echo "Description: $4"
    cat
  } >"$dir/DEBIAN/control"
  (cd "$dir" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$dir/DEBIAN/md5sums"
  chmod 644 "$dir/DEBIAN/control" "$dir/DEBIAN/md5sums"
  find "$dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --build "$dir" "$out/${1}_${version}_$arch.deb" >/dev/null
  echo "$out/${1}_${version}_$arch.deb"
}

control ondulite-x11 x11 xscreensaver "abstract wave pictures, a screen saver hack" <<'TEXT'
 ondulite shows abstract pictures, a new one every second: five random
 circular wave sources sum to a field that indexes a random 1024-colour
 gradient, and every pixel is shaded by the field's slope, which gives the
 pictures a relief look.
 .
 This package holds the hack for XScreenSaver and the MATE and Xfce screen
 savers. XScreenSaver offers it once the programs: list in ~/.xscreensaver
 names it (see ondulite(6)). The pictures are those of the ondulite screen
 saver for Windows, seed for seed.
TEXT

control ondulite-wayland x11 swayidle "abstract wave pictures, a screen saver for Wayland desktops" <<'TEXT'
 ondulite shows abstract pictures, a new one every second: five random
 circular wave sources sum to a field that indexes a random 1024-colour
 gradient, and every pixel is shaded by the field's slope, which gives the
 pictures a relief look.
 .
 This package holds ondulite-wayland, for compositors with the layer shell
 (sway, Hyprland, river, labwc, Wayfire, niri, KDE Plasma): a saver that an
 idle daemon such as swayidle starts, which a key, a button or moving the
 pointer ends, or a live wallpaper (--background), also as the background of
 swaylock-plugin. Every output shows a picture of its own at its device
 pixels; the pictures are those of the ondulite screen saver for Windows,
 seed for seed.
TEXT

control ondulite-render graphics "" "renders ondulite's wave pictures to image files" <<'TEXT'
 ondulite-render writes the pictures of the ondulite screen saver and of its
 XScreenSaver hack as PNG, BMP or PPM files. A seed and a picture number
 name a picture exactly, so any picture a saver showed can be made again at
 any size.
TEXT
