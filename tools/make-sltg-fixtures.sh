#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Remakes the older-format (SLTG) type libraries under tests/data/typelib/idl:
# every sltg-*.idl there becomes sltg-*.tlb beside it, and sltg-in-pe.dll is
# linked from sltg-in-pe.rc (TYPELIB resources 1 and 2). The build and the
# tests read the committed files; this script is needed only after a change
# to one of those sources.
#
#   tools/make-sltg-fixtures.sh
#
# The IDL compiler is widl 10, the first with --oldtlb. Debian 12 ships widl
# 8.0, so widl 10 is built from the Debian 13 (trixie) Wine source, outside
# the repository, in $WIDL10_DIR (default /work/tools-widl):
#   $WIDL10_DIR/wine-10.0/     the unpacked tools/ and include/ of the source
#   $WIDL10_DIR/b/widl10       the compiler
# Building it runs apt-get (a deb-src entry for trixie is added for the
# download and removed again, then bison and flex are installed), so the
# first run needs root. Later runs reuse $WIDL10_DIR/b/widl10.
#
# The DLL needs Wine's resource compiler wrc (wine64-tools) and the 32-bit
# MinGW binutils (apt-get install binutils-mingw-w64-i686). After a change,
# run tools/make-typelib-goldens.sh to remake the oracle dumps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
idl_dir=$root/tests/data/typelib/idl
widl_dir=${WIDL10_DIR:-/work/tools-widl}
widl=$widl_dir/b/widl10
src=$widl_dir/wine-10.0
wrc=/usr/lib/wine/wrc
mirror=http://deb.debian.org/debian

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Fetches the trixie Wine source through a temporary deb-src entry; the entry
# is removed again even when the download fails.
fetch_source() {
  local list=/etc/apt/sources.list.d/zz-trixie-src.sources
  printf 'Types: deb-src\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" | as_root tee "$list" >/dev/null
  local status=0
  as_root apt-get update -q >/dev/null &&
    (cd "$widl_dir" && apt-get source --download-only wine/trixie) || status=$?
  as_root rm -f "$list"
  as_root apt-get update -q >/dev/null
  return "$status"
}

# Builds widl 10 alone: its parser, wrc's preprocessor and the widl sources,
# with a config.h holding the few settings they read.
build_widl() {
  mkdir -p "$widl_dir"
  local tarball
  tarball=$(ls "$widl_dir"/wine_10.0*.orig.tar.xz 2>/dev/null | head -1 || true)
  if [ -z "$tarball" ]; then
    fetch_source
    tarball=$(ls "$widl_dir"/wine_10.0*.orig.tar.xz | head -1)
  fi
  command -v bison >/dev/null && command -v flex >/dev/null ||
    as_root apt-get install -y -q bison flex
  [ -d "$src/tools/widl" ] ||
    tar -xJf "$tarball" -C "$widl_dir" --wildcards 'wine-10.0/tools/*' 'wine-10.0/include/*'
  local b=$widl_dir/b
  mkdir -p "$b"
  cat >"$b/config.h" <<'EOF'
#ifndef __WINE_CONFIG_H
#define __WINE_CONFIG_H
#define PACKAGE_VERSION "10.0"
#define HAVE_SIGPROCMASK 1
#define EXEEXT ""
#endif
EOF
  (
    cd "$b"
    bison -d -o parser.tab.c "$src/tools/widl/parser.y"
    flex -o parser.yy.c "$src/tools/widl/parser.l"
    bison -d -o ppy.tab.c "$src/tools/wrc/ppy.y"
    flex -o ppl.yy.c "$src/tools/wrc/ppl.l"
    local w=$src/tools/widl
    gcc -O1 -w -I. -I"$w" -I"$src/tools/wrc" -I"$src/tools" -I"$src/include" \
      -DINCLUDEDIR='"/usr/include/wine/windows"' -DBINDIR='"/usr/bin"' -DLIBDIR='"/usr/lib"' \
      -o widl10 "$w"/{attribute,client,expr,hash,header,proxy,register,server,typegen,typelib}.c \
      "$w"/{typetree,utils,widl,write_msft,write_sltg}.c \
      "$src/tools/wrc/wpp.c" parser.tab.c parser.yy.c ppy.tab.c ppl.yy.c
  )
}

[ -x "$widl" ] || build_widl
"$widl" -V | grep -q 'version 10\.' || { echo "$widl is not widl 10" >&2; exit 1; }

# --oldtlb writes SLTG; it supports 32-bit targets only. oaidl.idl comes from
# the same Wine source as the compiler.
cd "$idl_dir"
for idl in sltg-*.idl; do
  "$widl" --oldtlb --win32 -I "$src/include" -t -o "${idl%.idl}.tlb" "$idl"
done

# A DLL holding no code, only the TYPELIB resources named in sltg-in-pe.rc.
# wrc preprocesses the script itself; windres turns the .res into an object
# without looking for a C compiler; ld stamps no time, so the file only
# changes when a library in it does.
[ -x "$wrc" ] || { echo "wrc not found (wine64-tools)" >&2; exit 1; }
command -v i686-w64-mingw32-ld >/dev/null ||
  { echo "i686-w64-mingw32-ld not found (apt-get install binutils-mingw-w64-i686)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$wrc" --nostdinc -o "$work/pe.res" sltg-in-pe.rc
i686-w64-mingw32-windres -J res -O coff -i "$work/pe.res" -o "$work/pe.o"
i686-w64-mingw32-ld --dll -e 0 --no-insert-timestamp -s -o sltg-in-pe.dll "$work/pe.o"
chmod -x sltg-in-pe.dll

ls -l sltg-*.tlb sltg-in-pe.dll
