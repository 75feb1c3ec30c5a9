#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and installs it into a clean Debian 12 root, the
# way a user's `apt install ./arbolith_*.deb` does, so the dependencies the
# package declares are the ones that get pulled; then makes the sample's
# model there with the installed arbolith-cli and compares its tree with the
# one the build tree makes. Exits non-zero on any failure.
#
#   sudo tools/test-deb-install.sh
#
# Needs root (debootstrap, chroot, mount), debootstrap, dpkg-dev and network
# access to the Debian mirror. Not part of the test suite: a first run takes
# minutes. The bare root is cached as a tarball, so later runs only build,
# unpack and install.
#   ARBOLITH_DEB_MIRROR  the mirror (default: the one apt uses here)
#   ARBOLITH_DEB_CACHE   the cache folder (default: /var/cache/arbolith-deb-test)
#   ARBOLITH_DEB_BUILD   the build folder (default: a fresh temporary one)
#   ARBOLITH_DEB_KEEP=1  keep the root afterwards, for a look around
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
started=$(date +%s)

say() { printf '== %s (%ss)\n' "$*" "$(($(date +%s) - started))"; }
die() {
  printf 'FAILED: %s\n' "$*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || die "run as root (debootstrap, chroot and mount need it)"
for tool in debootstrap dpkg-shlibdeps cmake cpack; do
  command -v "$tool" > /dev/null || die "$tool is missing (tools/setup.sh installs the build tools; apt install debootstrap dpkg-dev)"
done

suite=bookworm
# The mirror apt uses on this machine, from either form of its sources.
default_mirror() {
  local uri
  uri=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources 2> /dev/null | awk '{print $2}' | grep -m1 '/debian/\?$' || true)
  [ -n "$uri" ] || uri=$(grep -hs "^deb .*[[:space:]]$suite[[:space:]]" /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2> /dev/null |
    awk '{for (i = 2; i <= NF; i++) if ($i ~ /^(https?|ftp):/) {print $i; exit}}' || true)
  echo "${uri:-http://deb.debian.org/debian}"
}
mirror=${ARBOLITH_DEB_MIRROR:-$(default_mirror)}
cache=${ARBOLITH_DEB_CACHE:-/var/cache/arbolith-deb-test}
arch=$(dpkg --print-architecture)
tarball=$cache/debian12-$arch-minbase.tar.gz

work=$(mktemp -d /var/tmp/arbolith-deb-test.XXXXXX)
root=$work/root
build=${ARBOLITH_DEB_BUILD:-$work/build}
cleanup() {
  mountpoint -q "$root/proc" 2> /dev/null && umount "$root/proc"
  if [ "${ARBOLITH_DEB_KEEP:-0}" = 1 ]; then
    echo "kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

# --- The package ----------------------------------------------------------
say "building the package in $build (Release)"
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
generator=()
command -v ninja > /dev/null && generator=(-G Ninja)
cmake -S "$source_dir" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DARBOLITH_BUILD_TESTS=OFF -DARBOLITH_BUILD_BENCH=OFF > "$work/configure.log" || {
  cat "$work/configure.log"
  die "configuring the build"
}
cmake --build "$build" -j"${ARBOLITH_JOBS:-2}" > "$work/build.log" || {
  tail -40 "$work/build.log"
  die "building"
}
(cd "$build" && cpack -G DEB > "$work/cpack.log") || {
  cat "$work/cpack.log"
  die "cpack -G DEB"
}
deb=$(ls "$build"/arbolith_*.deb 2> /dev/null | head -1)
[ -n "$deb" ] || die "cpack made no arbolith_*.deb"
say "made $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Package Version Architecture Section Depends Suggests
dpkg-deb --field "$deb" Depends | grep -q 'libc6' || die "the package declares no computed library dependencies"

# The sample's tree as the build tree's own program makes it.
mkdir -p "$work/host-home"
HOME=$work/host-home XDG_DATA_HOME=$work/host-home/.local/share WINEPREFIX=$work/host-home/.wine \
  "$build/bin/arbolith-cli" make "$source_dir/data/sample/Quill.tlb" --top Application --events > "$work/host-make.log" 2>&1 || {
  cat "$work/host-make.log"
  die "the build tree's arbolith-cli make"
}
HOME=$work/host-home XDG_DATA_HOME=$work/host-home/.local/share WINEPREFIX=$work/host-home/.wine \
  "$build/bin/arbolith-cli" tree Quill > "$work/expected-tree.txt"
[ -s "$work/expected-tree.txt" ] || die "the build tree's arbolith-cli printed no tree"

# --- A clean Debian 12 root -------------------------------------------------
if [ ! -s "$tarball" ]; then
  say "debootstrap --variant=minbase $suite from $mirror (cached in $tarball)"
  mkdir -p "$cache" "$work/bootstrap"
  debootstrap --variant=minbase --arch="$arch" "$suite" "$work/bootstrap" "$mirror" > "$work/debootstrap.log" 2>&1 || {
    tail -20 "$work/debootstrap.log"
    die "debootstrap"
  }
  rm -rf "$work/bootstrap/var/cache/apt/archives/"*.deb
  tar -C "$work/bootstrap" -czf "$tarball.part" . && mv "$tarball.part" "$tarball"
  rm -rf "$work/bootstrap"
else
  say "reusing the cached root $tarball"
fi
mkdir -p "$root"
tar -C "$root" -xzf "$tarball"
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "deb $mirror $suite main" > "$root/etc/apt/sources.list"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# --- Installing it as a user would ----------------------------------------
say "apt install ./$(basename "$deb") in the clean root"
cp "$deb" "$root/tmp/"
in_root apt-get update -q > "$work/apt.log" 2>&1 || {
  tail -20 "$work/apt.log"
  die "apt-get update in the root"
}
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" \
  >> "$work/apt.log" 2>&1 || {
  tail -30 "$work/apt.log"
  die "apt-get install of the package"
}
echo "packages pulled with it: $(grep -c '^Setting up' "$work/apt.log")"

# --- What was installed -----------------------------------------------------
say "checking the installed files"
for file in /usr/bin/arbolith /usr/bin/arbolith-cli \
  /usr/share/arbolith/sample/Quill.tlb /usr/share/arbolith/sample/Quill.chm \
  /usr/share/arbolith/help/index.html /usr/share/arbolith/Special.mdb \
  /usr/share/arbolith/typelibs/stdole2.tlb /usr/share/icons/hicolor/scalable/apps/arbolith.svg \
  /usr/share/applications/arbolith.desktop /usr/share/mime/packages/arbolith.xml; do
  [ -f "$root$file" ] || die "$file is not installed"
done
# Every library both programs link is there: the computed dependencies sufficed.
for program in arbolith arbolith-cli; do
  missing=$(in_root ldd "/usr/bin/$program" | grep 'not found' || true)
  [ -z "$missing" ] || die "/usr/bin/$program lacks libraries: $missing"
done
in_root arbolith --version | grep -q '^arbolith ' || die "arbolith --version"

# --- The sample's model, made by the installed program ----------------------
say "arbolith-cli make on the installed sample"
in_root arbolith-cli make /usr/share/arbolith/sample/Quill.tlb --top Application --events > "$work/make.log" 2>&1 || {
  cat "$work/make.log"
  die "arbolith-cli make in the root"
}
grep -v '^  ' "$work/make.log"
[ -f "$root/root/.local/share/arbolith/Models/Quill.DAT" ] || die "no Quill.DAT in the root's models folder"
in_root arbolith-cli tree Quill > "$work/tree.txt" || die "arbolith-cli tree Quill in the root"
diff -u "$work/expected-tree.txt" "$work/tree.txt" || die "the installed program's tree differs from the build tree's"
# Read whole first: grep -q stops at the first match and would close the pipe
# on the program still writing.
vba_enums=$(in_root arbolith-cli enums --vba) || die "arbolith-cli enums --vba"
grep -q '^ColorConstants' <<<"$vba_enums" || die "the installed VB/VBA enum database is not found"

say "passed: $(wc -l < "$work/tree.txt") tree lines, the same as the build tree's"
