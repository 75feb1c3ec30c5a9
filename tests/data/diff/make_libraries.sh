#!/bin/sh
# Remakes the compiled libraries of this folder from their IDL files with
# Wine's IDL compiler (package wine64-tools). The libraries are committed so
# that the build and the tests do not need widl.
set -eu
cd "$(dirname "$0")"
WIDL=${WIDL:-/usr/lib/wine/widl}
INCLUDE=${WINE_INCLUDE:-/usr/include/wine/wine/windows}
for idl in before after; do
    "$WIDL" -t -m64 -I "$INCLUDE" -o "$idl.tlb" "$idl.idl"
done
