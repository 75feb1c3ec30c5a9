#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the golden dumps the reader is compared against: what Wine's own
# type-library loader reads from each library, as printed by tlbdump.exe.
#
#   tools/make-typelib-goldens.sh [--compile-idl] [ORACLE]
#
# ORACLE is tlbdump.exe or its folder (default: ../shared/tools/typelib-oracle
# beside the repository). Needs wine64, and widl (wine64-tools) for
# --compile-idl, which first rebuilds tests/data/typelib/idl/*.tlb.
#
# Output, all under tests/data/typelib/oracle/:
#   <file>.<resource>.txt.gz   one per library; resource 1 is the file itself
#   CORPUS.txt                 size and sha256 of each Wine file dumped, so the
#                              test can tell when the installed package differs
# The Wine corpus is every file of the 64-bit Wine package holding a TYPELIB
# resource, each resource number in turn until the loader refuses one.
# The older-format (SLTG) libraries tests/data/typelib/idl/sltg-*.tlb and
# sltg-in-pe.dll are dumped too (each resource of the DLL until the loader
# refuses one); tools/make-sltg-fixtures.sh makes them, --compile-idl does not.
# Those the loader cannot read (sltg_no_golden below) get no golden.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
wine=/usr/lib/wine/wine64
widl=/usr/lib/wine/widl
corpus=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
idl_dir=$repo/tests/data/typelib/idl
out=$repo/tests/data/typelib/oracle
max_resources=16

compile_idl=0
oracle=
for arg in "$@"; do
  case "$arg" in
    --compile-idl) compile_idl=1 ;;
    -h|--help) sed -n '3,21p' "$0"; exit 0 ;;
    *) oracle=$arg ;;
  esac
done
oracle=${oracle:-$repo/../shared/tools/typelib-oracle}
[ -d "$oracle" ] && oracle=$oracle/tlbdump.exe
[ -f "$oracle" ] || { echo "no tlbdump.exe at $oracle" >&2; exit 1; }
[ -x "$wine" ] || { echo "wine64 is not installed ($wine)" >&2; exit 1; }

export WINEPREFIX=${WINEPREFIX:-/tmp/oracle-prefix} WINEDEBUG=-all
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  "$wine" wineboot -i >/dev/null 2>&1
fi

# Our own libraries: name, widl target switch, and the locale to run the
# oracle in. Wine's loader decodes library strings with the process's ANSI
# code page, not the library's LCID; running it in the library's own locale
# gives the text a reader should produce by decoding with the LCID's code page.
idl_libs=(
  "automation -m64 C.UTF-8"
  "records -m32 C.UTF-8"
  "cyrillic -m64 ru_RU.UTF-8"
)

if [ "$compile_idl" = 1 ]; then
  for entry in "${idl_libs[@]}"; do
    read -r name bits _ <<<"$entry"
    # -L: where widl finds stdole2.tlb for importlib().
    (cd "$idl_dir" && "$widl" -t "$bits" -L "$corpus" -o "$name.tlb" "$name.idl")
  done
fi

# Unix path (+ resource number) to the form LoadTypeLibEx takes under Wine.
wine_path() {
  local path=$1 resource=$2 win
  win="Z:${path//\//\\}"
  [ "$resource" = 1 ] || win="$win\\$resource"
  printf '%s' "$win"
}

# dump LOCALE PATH RESOURCE GOLDEN: 0 when written, 1 when the loader refused
# or crashed (Wine's debugger then prints its report where the dump was going).
dump() {
  local locale=$1 path=$2 resource=$3 golden=$4 text
  text=$(LC_ALL=$locale "$wine" "$oracle" "$(wine_path "$path" "$resource")" 2>/dev/null | tr -d '\r') || true
  case "$text" in
    LOADFAIL*|"") return 1 ;;
    *"Unhandled exception:"*)
      echo "the loader crashed on $(basename "$path") resource $resource" >&2
      return 1 ;;
  esac
  printf '%s\n' "$text" | gzip -n -9 >"$golden"
}

mkdir -p "$out"
rm -f "$out"/*.txt.gz "$out/CORPUS.txt"

{
  echo "# Wine files the goldens were made from: name, size in bytes, sha256."
  echo "# wine64 $(dpkg-query -W -f='${Version}' wine64 2>/dev/null || echo unknown)"
} >"$out/CORPUS.txt"

mapfile -t files < <(grep -l -a "T.Y.P.E.L.I.B" "$corpus"/* 2>/dev/null | LC_ALL=C sort)
for path in "${files[@]}"; do
  base=$(basename "$path")
  dumped=0
  for ((r = 1; r <= max_resources; r++)); do
    dump C.UTF-8 "$path" "$r" "$out/$base.$r.txt.gz" || break
    dumped=$r
  done
  if [ "$dumped" = 0 ]; then
    echo "note: $base has a TYPELIB string but no loadable library" >&2
    continue
  fi
  echo "$base $(stat -c %s "$path") $(sha256sum "$path" | cut -d' ' -f1)" >>"$out/CORPUS.txt"
done

for entry in "${idl_libs[@]}"; do
  read -r name _ locale <<<"$entry"
  dump "$locale" "$idl_dir/$name.tlb" 1 "$out/$name.tlb.1.txt.gz" ||
    { echo "the loader refused $name.tlb" >&2; exit 1; }
done

# Older-format libraries. Wine's loader crashes on a SAFEARRAY parameter as
# widl 10 writes it (no element type), so that file has no golden.
sltg_no_golden=(sltg-safearray.tlb)
mapfile -t sltg_files < <(cd "$idl_dir" && ls sltg-*.tlb sltg-in-pe.dll 2>/dev/null | LC_ALL=C sort)
for base in "${sltg_files[@]}"; do
  [[ " ${sltg_no_golden[*]} " == *" $base "* ]] && continue
  locale=C.UTF-8
  [[ "$base" == *cyrillic* ]] && locale=ru_RU.UTF-8
  # The loader reads a bare library file whatever resource number follows
  # its name, so only a PE file is asked for more than one.
  last=1
  [[ "$base" == *.dll ]] && last=$max_resources
  dumped=0
  for ((r = 1; r <= last; r++)); do
    dump "$locale" "$idl_dir/$base" "$r" "$out/$base.$r.txt.gz" || break
    dumped=$r
  done
  [ "$dumped" != 0 ] || { echo "the loader refused $base" >&2; exit 1; }
done

echo "$(ls "$out"/*.txt.gz | wc -l) goldens, $(du -cb "$out"/*.txt.gz | tail -1 | cut -f1) bytes in $out"
