#!/bin/sh
# make-image.sh FOLDER
# Makes the emulated machine that runs the 32-bit programs (tools/test-win32.sh):
# a Debian 12 i386 root with 32-bit Wine on an ext4 image (root.img), the 686
# kernel (vmlinuz) and a small initramfs (initrd.img), all in FOLDER.
#
# No i386 code runs on this machine, whose kernel runs no 32-bit programs:
#  - debootstrap's first stage only unpacks the base system;
#  - an apt of our own, with its own state and i386 as its architecture,
#    downloads the guest's packages into the root, with their lists, and the
#    kernel and a static busybox here;
#  - the kernel comes out of its .deb; the initramfs is busybox, the virtio,
#    ext4 and 9p modules and an init that mounts the root;
#  - mkfs.ext4 -d makes the image from the root folder;
#  - one boot of the machine (install-stage.sh) finishes debootstrap's second
#    stage, installs the packages offline and makes the Wine prefix. The
#    kernel package itself is not installed in the guest: its initramfs
#    hook would take most of that boot and is not needed.
# Runs as root (debootstrap makes device nodes and owners).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
out=$1

# What the guest's own tests use: Wine, a virtual display, X input and
# screenshots, the process tools.
PACKAGES="wine wine32 xvfb xdotool imagemagick procps"
# The drivers that the initramfs loads: the disk, its file system (and the
# checksum that ext4 asks for by name), the folder shared with this machine.
MODULES="virtio_pci virtio_blk crc32c_generic ext4 9pnet_virtio 9p"
ROOT_SIZE=6G

. "$here/guest-machine.sh"

step() { echo "win32 guest: $*"; }

work=$out/work
rm -rf "$work"
mkdir -p "$work"
root=$work/root

# The archive that this machine's apt uses, for bookworm and its updates:
# "URI SUITE" lines from the one-line and the deb822 forms. Not the security
# suite: the guest has no network, and that suite's i386 lists can be
# caught mid-sync.
debian_sources() {
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -s "$file" ] && awk '$1 == "deb" { uri = $2; if (uri ~ /^\[/) uri = $3; suite = ($2 ~ /^\[/) ? $4 : $3;
                                         print uri, suite }' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -s "$file" ] && awk 'function flush() { if (types ~ /(^| )deb( |$)/) { n = split(uris, u, " "); m = split(suites, s, " ");
                                              for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) print u[i], s[j] }
                                            types = uris = suites = "" }
                           /^[ \t]*$/ { flush(); next }
                           /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
                           /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
                           /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
                           END { flush() }' "$file"
  done
}
sources=$(debian_sources | awk '$2 == "bookworm" || $2 == "bookworm-updates"' | sort -u -k2,2)
mirror=$(echo "$sources" | awk '$2 == "bookworm" { print $1; exit }')
if [ -z "$mirror" ]; then
  echo "win32 guest: this machine's apt has no source for bookworm" >&2
  exit 1
fi

step "debootstrap's first stage (i386, minbase) from $mirror"
debootstrap --foreign --arch=i386 --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
# Where debootstrap takes itself for inside a container, the first stage
# leaves /proc a link to the host's /proc, for a chroot; elsewhere a folder.
# The guest mounts its own there.
if [ -L "$root/proc" ]; then rm -f "$root/proc"; fi
mkdir -p "$root/proc"

step "the guest's packages: $PACKAGES"
apt=$work/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$work/debs" "$root/var/cache/ondulite-debs/partial"
: >"$apt/status"
echo "$sources" | awk '{ print "deb [arch=i386] " $1 " " $2 " main" }' >"$apt/sources.list"
# apt_i386 apt-get|apt-cache ARGUMENT...
apt_i386() {
  apt_tool=$1
  shift
  "$apt_tool" -q -o APT::Architecture=i386 -o APT::Architectures::=i386 \
    -o Dir::State::Lists="$apt/lists" -o Dir::State::status="$apt/status" -o Dir::Cache="$apt/cache" \
    -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Debug::NoLocking=true -o APT::Sandbox::User=root "$@"
}
apt_i386 apt-get update >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
# Into a folder of the root's own: the second stage empties apt's archives.
apt_i386 apt-get install -y --download-only --no-install-recommends \
  -o Dir::Cache::archives="$root/var/cache/ondulite-debs" $PACKAGES >>"$work/apt.log" 2>&1 ||
  { tail -n 20 "$work/apt.log" >&2; exit 1; }
kernel_package=$(apt_i386 apt-cache depends linux-image-686 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }')
(cd "$work/debs" && apt_i386 apt-get -qq download "$kernel_package" busybox-static) >>"$work/apt.log" 2>&1 ||
  { tail -n 20 "$work/apt.log" >&2; exit 1; }
# The guest's apt sees the same archive, offline.
cp "$apt/sources.list" "$root/etc/apt/sources.list"
find "$apt/lists" -maxdepth 1 -type f ! -name lock -exec cp {} "$root/var/lib/apt/lists/" \;

step "the kernel ($kernel_package) and the initramfs"
dpkg-deb -x "$work/debs/$kernel_package"_*.deb "$work/kernel"
dpkg-deb -x "$work/debs"/busybox-static_*.deb "$work/busybox"
cp "$work/kernel/boot"/vmlinuz-* "$work/vmlinuz"
modules=$(echo "$work/kernel/lib/modules"/*)
initramfs=$work/initramfs
mkdir -p "$initramfs/bin" "$initramfs/modules" "$initramfs/proc" "$initramfs/sys" "$initramfs/dev" "$initramfs/newroot"
cp "$work/busybox/bin/busybox" "$initramfs/bin/busybox"
cp "$here/initramfs-init" "$initramfs/init"
chmod 755 "$initramfs/init"
# Each module after the ones it needs (the "depends" of its .modinfo: the
# package has no modules.dep, which depmod makes at installation); built-in
# drivers have no file.
: >"$initramfs/modules.order"
add_module() {
  local file plain needed
  file=$(awk -v name="$1" '{ n = $0; sub(/.*\//, "", n); sub(/\.ko.*$/, "", n); gsub(/-/, "_", n)
                             if (n == name) { print; exit } }' "$modules/modules.order")
  [ -n "$file" ] || return 0
  plain=$(basename "$file" | sed 's/\.xz$//')
  grep -qx "$plain" "$initramfs/modules.order" && return 0
  case "$file" in
    *.xz) xz -dc "$modules/$file" >"$initramfs/modules/$plain" ;;
    *) cp "$modules/$file" "$initramfs/modules/$plain" ;;
  esac
  for needed in $(tr '\0' '\n' <"$initramfs/modules/$plain" | sed -n 's/^depends=//p' | tr ',' ' '); do
    add_module "$(echo "$needed" | tr - _)"
  done
  echo "$plain" >>"$initramfs/modules.order"
}
for module in $MODULES; do add_module "$module"; done
(cd "$initramfs" && find . | cpio --quiet -o -H newc | gzip -9) >"$work/initrd.img"

step "the root image ($ROOT_SIZE, sparse)"
cp "$here/guest-init" "$root/sbin/ondulite-guest"
chmod 755 "$root/sbin/ondulite-guest"
mkdir -p "$root/usr/local/sbin"
cp "$work/busybox/bin/busybox" "$root/usr/local/sbin/busybox"
echo ondulite-guest >"$root/etc/hostname"
rm -f "$work/root.img"
truncate -s "$ROOT_SIZE" "$work/root.img"
mkfs.ext4 -q -F -L ondulite -d "$root" "$work/root.img" >"$work/mkfs.log" 2>&1 || { cat "$work/mkfs.log" >&2; exit 1; }
rm -rf "$root"

step "the install boot: debootstrap's second stage, the packages, the Wine prefix"
share=$work/share
mkdir -p "$share"
cp "$here/install-stage.sh" "$share/stage.sh"
cp "$top/tools/wine-env.sh" "$share/wine-env.sh"
echo "$PACKAGES" >"$share/packages"
if ! run_guest "$work" "$share" max 2 3600 "$work" root-writable; then
  echo "win32 guest: the install boot failed; its log:" >&2
  tail -n 40 "$share/stage.log" >&2 2>/dev/null || tail -n 40 "$work/console.log" >&2
  exit 1
fi
mv "$work/root.img" "$work/vmlinuz" "$work/initrd.img" "$out/"
cp "$share/stage.log" "$out/install.log"
rm -rf "$work"
