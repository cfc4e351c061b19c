#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the armel sysroot that the ARM build links against and qemu-arm runs in:
#   usage: scripts/arm-sysroot.sh [DIR]      (default build/arm-sysroot)
#
# The libraries the simulated device and todaysim need (FreeType, fontconfig, libpng and what
# they depend on) are Debian's armel packages, fetched with `apt-get download` and unpacked
# with `dpkg-deb -x`; nothing is installed into the machine, whose own newer or amd64 versions
# they could not sit beside. apt runs with its own state and cache under DIR/apt, set to
# armel alone, so the machine needs no extra architecture, no root and no change to its apt
# lists; only its sources and keys are read. The C and C++ runtimes are the cross
# toolchain's (/usr/arm-linux-gnueabi/lib), linked in where the armel loader looks for them.
# Safe to run again: a sysroot made by this version of the script is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

root=${1:-build/arm-sysroot}
root=$(mkdir -p "$root" && cd "$root" && pwd)
stamp=$root/.complete
cross=/usr/arm-linux-gnueabi/lib

# Runtime and development packages; arch-independent ones (nlohmann-json, CLI11) come along so
# that the cross build finds every package under the one root.
packages=(
  libfreetype6 libfreetype-dev libbrotli1 libbrotli-dev libpng16-16 libpng-dev zlib1g zlib1g-dev
  libfontconfig1 libfontconfig-dev libexpat1 libexpat1-dev libuuid1 uuid-dev
  nlohmann-json3-dev libcli11-dev
)

version=$(sha256sum "$0" | cut -d' ' -f1)
if [ "$(cat "$stamp" 2>/dev/null)" = "$version" ]; then
  exit 0
fi
rm -f "$stamp"
if [ ! -e "$cross/ld-linux.so.3" ]; then
  echo "arm-sysroot: $cross/ld-linux.so.3 is missing (Debian: g++-arm-linux-gnueabi)" >&2
  exit 1
fi

state=$root/apt
mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$root/debs"
: >"$state/status"
apt_options=(
  -o "Dir::State=$state" -o "Dir::State::status=$state/status" -o "Dir::Cache=$state/cache"
  -o APT::Architecture=armel -o APT::Architectures::=armel -o Acquire::Languages=none
  -q
)
echo "arm-sysroot: armel package lists into $state"
apt-get "${apt_options[@]}" update >"$state/update.log" 2>&1 || {
  cat "$state/update.log" >&2
  echo "arm-sysroot: apt-get update for armel failed" >&2
  exit 1
}
(cd "$root/debs" && rm -f ./*.deb && apt-get "${apt_options[@]}" download "${packages[@]}") >"$state/download.log" 2>&1 || {
  cat "$state/download.log" >&2
  echo "arm-sysroot: apt-get download failed" >&2
  exit 1
}

find "$root" -mindepth 1 -maxdepth 1 ! -name apt ! -name debs -exec rm -rf {} +
for deb in "$root"/debs/*.deb; do
  dpkg-deb -x "$deb" "$root"
done
# The packages' absolute symbolic links (libz.so -> /lib/...) must stay inside the root.
while IFS= read -r link; do
  target=$(readlink "$link")
  ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$root$target")" "$link"
done < <(find "$root" -path "$root/apt" -prune -o -type l -lname '/*' -print)

# The loader at the path armel executables name, the runtimes where it searches.
mkdir -p "$root/lib/arm-linux-gnueabi"
ln -sfn "$cross/ld-linux.so.3" "$root/lib/ld-linux.so.3"
for lib in "$cross"/lib*.so.*; do
  ln -sfn "$lib" "$root/lib/arm-linux-gnueabi/$(basename "$lib")"
done
# The host's loader cache lists x86 libraries; an empty one makes the armel loader search
# its own folders only.
mkdir -p "$root/etc"
: >"$root/etc/ld.so.cache"

# fontconfig in an armel program writes caches of its own format. qemu-arm -L opens a file
# under the root first, so the armel programs read this copy of the machine's fonts.conf,
# whose caches are kept here instead of in /var/cache/fontconfig or the user's home.
mkdir -p "$root/etc/fonts" "$root/var/cache/fontconfig"
sed -E 's#<cachedir[^>]*>[^<]*</cachedir>##; s#^</fontconfig>#\t<cachedir>'"$root"'/var/cache/fontconfig</cachedir>\n</fontconfig>#' \
  /etc/fonts/fonts.conf >"$root/etc/fonts/fonts.conf"

# What the traces measure text with: the same FreeType on both sides, or a note why not.
version_of() { dpkg-deb -f "$1" Version; }
arm_freetype=$(version_of "$(ls "$root"/debs/libfreetype6_*.deb)")
host_freetype=$(dpkg-query -W -f='${Version}' libfreetype6:amd64 2>/dev/null || echo none)
echo "arm-sysroot: FreeType $arm_freetype (armel), $host_freetype (this machine)"
echo "$arm_freetype" >"$root/.freetype-version"
echo "$version" >"$stamp"
