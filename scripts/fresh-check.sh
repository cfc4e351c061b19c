#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves the README's two commands on a brand-new Debian 12 root: a minbase debootstrap (made
# once in build/fresh-check/base, copied afresh for every run) with this machine's apt sources,
# a clone of HEAD with ../shared beside it, then scripts/run.sh and CI=true bash .ci/run inside,
# each with a bare environment and no standard input. Prints each command's exit status and
# wall time; the logs stay in build/fresh-check/logs. Needs root; takes 15 to 20 minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
work=$repo/build/fresh-check
base=$work/base
root=$work/root
logs=$work/logs
mounts=(proc sys dev dev/pts dev/shm)

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check: needs root (debootstrap, chroot and bind mounts)" >&2
  exit 2
fi
if [ ! -d "$repo/../shared" ]; then
  echo "fresh-check: $repo/../shared not found; .ci/run and the tests expect it beside the clone" >&2
  exit 2
fi

# Processes started inside the root (a Wine server, Xvfb) keep its mounts busy.
stop_root_processes() {
  local pid link
  for pid in /proc/[0-9]*; do
    link=$(readlink "$pid/root" 2>/dev/null) || continue
    case "$link" in "$root" | "$root"/*) kill -9 "${pid#/proc/}" 2>/dev/null || true ;; esac
  done
}

# Everything mounted under the root, deepest first: the bind mounts, and whatever the tests
# mounted there (network namespaces under /run/netns).
unmount_root() {
  local m
  stop_root_processes
  { findmnt -rn -o TARGET | grep -E "^$root(/|\$)" || true; } | sort -r | while read -r m; do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
}
trap unmount_root EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The mirror this machine's apt uses for Debian itself.
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
  grep -oE 'https?://[^ ]+/debian/?( |$)' | head -n 1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}

if ! command -v debootstrap >/dev/null; then
  env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

mkdir -p "$work" "$logs"
if [ ! -x "$base/bin/bash" ]; then
  echo "fresh-check: debootstrap bookworm (minbase) from $mirror into $base"
  rm -rf --one-file-system "$base.tmp"
  debootstrap --variant=minbase bookworm "$base.tmp" "$mirror" >"$logs/debootstrap.log" 2>&1 || {
    echo "fresh-check: debootstrap failed; see $logs/debootstrap.log" >&2
    exit 1
  }
  mv "$base.tmp" "$base"
fi

# A fresh copy of the untouched base; nothing may still be mounted in the old one.
unmount_root
if findmnt -rn -o TARGET | grep -qE "^$root(/|\$)"; then
  echo "fresh-check: something is still mounted under $root" >&2
  exit 1
fi
rm -rf --one-file-system "$root"
cp -a "$base" "$root"

# This machine's apt sources and settings, and its name server.
rm -f "$root/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && cp "$f" "$root$f"
done
for f in /etc/apt/apt.conf.d/*; do
  grep -q 'Acquire::' "$f" 2>/dev/null && cp "$f" "$root$f"
done
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

commit=$(git rev-parse --short HEAD)
mkdir -p "$root/work"
git clone -q --no-local "$repo" "$root/work/main"
cp -a "$repo/../shared" "$root/work/shared"
chmod -R a-w "$root/work/shared"

# The root on itself first, so that its / is a mount point as on a machine: `ip netns` remounts
# it as a slave.
mount --bind "$root" "$root"
for m in "${mounts[@]}"; do
  mount --bind "/$m" "$root/$m"
done

status=0
run_inside() {
  local name=$1 command=$2 start end code
  echo "fresh-check: $name ($command) in the new root, log in $logs/$name.log"
  start=$(date +%s)
  code=0
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /work/main && $command" </dev/null >"$logs/$name.log" 2>&1 || code=$?
  end=$(date +%s)
  printf 'fresh-check: %-8s exit %d, %dm%02ds\n' "$name" "$code" $(((end - start) / 60)) $(((end - start) % 60))
  [ "$code" -eq 0 ] || status=1
}

echo "fresh-check: HEAD $commit"
run_inside run.sh "scripts/run.sh"
run_inside ci "CI=true bash .ci/run"
tail -n 1 "$logs/ci.log" | sed 's/^/fresh-check: ci: /'
exit "$status"
