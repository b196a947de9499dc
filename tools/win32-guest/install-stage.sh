#!/bin/sh
# install-stage.sh SHARE: the install boot's work in the guest (make-image.sh):
# debootstrap's second stage, the packages named in SHARE/packages from the
# archives that the image carries (there is no network), and the Wine
# prefix, made once here rather than in every test boot.
set -eu
share=$1
export DEBIAN_FRONTEND=noninteractive
since=$(date +%s)
phase() { echo "== $* ($(($(date +%s) - since)) s)"; }

phase "debootstrap's second stage"
/debootstrap/debootstrap --second-stage
# It unmounts what it mounted for itself, /proc among them, which Wine needs.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sysfs /sys
mountpoint -q /dev/pts || mount -t devpts devpts /dev/pts
phase "the packages"
# shellcheck disable=SC2046
apt-get install -y -q --no-download --no-install-recommends \
  -o Dir::Cache::archives=/var/cache/ondulite-debs $(cat "$share/packages")
rm -rf /var/cache/ondulite-debs
apt-get clean
phase "the Wine prefix"
. "$share/wine-env.sh"
start_xvfb 640x480
prepare_wine_prefix /root/.wine
stop_wine_and_xvfb
wine --version
phase "giving the freed blocks back to the image"
sync
fstrim -v / || true
phase "done"
