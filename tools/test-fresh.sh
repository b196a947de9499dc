#!/bin/sh
# tools/test-fresh.sh [COMMAND]
# The README's two commands on a machine that has nothing yet: builds a
# bare Debian 12 (bookworm, amd64, the minbase variant) root with
# mmdebstrap from the archive this machine's apt is configured for (its
# sources and its fetching settings), clones the committed tree into it and
# runs there, as root, tools/run-saver.sh and then tools/run-tests.sh (or
# COMMAND alone, one stage say, run with sh from the tree's top), each in
# namespaces of its own (unshare, chroot) with /proc, /dev, /dev/shm and
# /sys mounted. Prints each command's result and time and exits non-zero
# when one failed; the full output goes to the log it names.
#
# Not part of tools/run-tests.sh: it installs every package anew, and takes
# most of an hour on two cores. Runs as root. The root is made in
# ${TMPDIR:-/var/tmp} and removed at the end; ONDULITE_KEEP_ROOT=1 keeps it.
set -eu
cd "$(dirname "$0")/.."
TOP=$(pwd)
only=${1:-}

if [ "$(id -u)" -ne 0 ]; then
  echo "test-fresh: run as root (chroot and namespaces)" >&2
  exit 1
fi
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "test-fresh: uncommitted changes are not tested; the root gets $commit" >&2
fi
tools/install-deps.sh mmdebstrap

work=$(mktemp -d "${TMPDIR:-/var/tmp}/ondulite-fresh.XXXXXX")
root=$work/root
log=$work/test-fresh.log
cleanup() {
  status=$?
  if [ -n "${ONDULITE_KEEP_ROOT:-}" ]; then
    echo "test-fresh: the root stays in $root" >&2
  elif grep -q " $root[/ ]" /proc/self/mounts; then
    echo "test-fresh: something is still mounted in $root; not removed" >&2
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# seconds_to_text N: "12m05s".
seconds_to_text() {
  printf '%dm%02ds' $(($1 / 60)) $(($1 % 60))
}

# The host's sources, as they are, and its settings for fetching (a mirror
# may need old time stamps allowed, say); the root reaches the archive only
# the way this machine does.
set --
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$file" ] && set -- "$@" "$file"
done
if [ $# -eq 0 ]; then
  echo "test-fresh: this machine has no apt sources to build the root from" >&2
  exit 1
fi
options=""
for file in /etc/apt/apt.conf.d/*; do
  grep -q '^[^/#]*Acquire::' "$file" 2>/dev/null && options="$options --aptopt=$file"
done

echo "test-fresh: a bare Debian 12 root in $root, from: $*"
started=$(date +%s)
# shellcheck disable=SC2086
if ! mmdebstrap --quiet --variant=minbase --architectures=amd64 $options bookworm "$root" "$@" >"$log" 2>&1; then
  cat "$log" >&2
  echo "test-fresh: mmdebstrap failed" >&2
  exit 1
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "test-fresh: root made in $(seconds_to_text $(($(date +%s) - started))): Debian $(cat "$root/etc/debian_version")"

git clone --quiet --no-hardlinks --no-checkout "$TOP" "$root/ondulite"
git -C "$root/ondulite" checkout --quiet --detach "$commit"
echo "test-fresh: cloned $commit into /ondulite"

# in_root COMMAND: runs the shell command COMMAND in /ondulite of the root,
# with a clean environment, in new mount and process namespaces: whatever
# it leaves running ends with it, and its mounts go with the namespace.
in_root() {
  unshare --mount --pid --fork --propagation private sh -c '
    root=$1
    mount -t proc proc "$root/proc" &&
    mount --rbind /dev "$root/dev" &&
    mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm" &&
    mount --rbind /sys "$root/sys" &&
    exec chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      /bin/sh -c "cd /ondulite && $2"' in_root "$root" "$1"
}

failed=""
results=""
run() {  # run COMMAND
  echo "test-fresh: $1 ..."
  begin=$(date +%s)
  status=0
  in_root "$1" >>"$log" 2>&1 || status=$?
  took=$(seconds_to_text $(($(date +%s) - begin)))
  if [ "$status" -eq 0 ]; then
    line="$1: passed in $took"
  else
    line="$1: FAILED (status $status) in $took"
    failed="$failed $1"
  fi
  echo "test-fresh: $line"
  results="$results
  $line"
}

if [ -n "$only" ]; then
  run "$only"
else
  run tools/run-saver.sh
  run tools/run-tests.sh
fi

echo "test-fresh: results (whole output in $log):$results"
grep -E '^=== .* (passed|FAILED) in [0-9]+ s$' "$log" | sed 's/^=== /  stage: /' || true
echo "test-fresh: total $(seconds_to_text $(($(date +%s) - started)))"
if [ -n "$failed" ]; then
  grep -E '^(FAIL|=== .* FAILED|failed stages)' "$log" | tail -n 40 >&2 || true
  exit 1
fi
