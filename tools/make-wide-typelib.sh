#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the IDL of a synthetic type library with many members and compiles
# it with widl, for measuring extraction time and memory on libraries far
# larger than any Wine ships:
#   tools/make-wide-typelib.sh OUT.tlb MEMBERS [INTERFACES]
# MEMBERS are spread evenly over INTERFACES dual interfaces (200 unless
# given), each with a coclass. The members are a mix of what real libraries
# hold: property get/put pairs, methods with optional parameters returning
# another interface of the library, and help strings on everything. Then
#   /usr/bin/time -v build/bin/arbolith-cli extract OUT.tlb --models DIR
# gives the whole-process time and peak memory.
set -euo pipefail
out=${1:?usage: make-wide-typelib.sh OUT.tlb MEMBERS [INTERFACES]}
members=${2:?usage: make-wide-typelib.sh OUT.tlb MEMBERS [INTERFACES]}
interfaces=${3:-200}
widl=${WIDL:-/usr/lib/wine/widl}
[[ -x $widl ]] || widl=$(command -v widl) || {
  echo "make-wide-typelib.sh: widl not found (install wine64-tools)" >&2
  exit 1
}
per=$((members / interfaces))
((per >= 4)) || {
  echo "make-wide-typelib.sh: at least 4 members per interface" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
idl=$work/wide.idl

awk -v interfaces="$interfaces" -v per="$per" '
function uuid(kind, n) { return sprintf("%08x-%04x-4000-8000-%012x", 1703 + kind, n % 65536, n) }
BEGIN {
  print "import \"oaidl.idl\";"
  print "[uuid(" uuid(0, 0) "), version(1.0), helpstring(\"Synthetic wide library\")]"
  print "library WideLib {"
  print "  importlib(\"stdole2.tlb\");"
  for (i = 0; i < interfaces; i++) print "  interface IWide" i ";"
  for (i = 0; i < interfaces; i++) {
    next_if = "IWide" ((i + 1) % interfaces)
    print "  [uuid(" uuid(1, i) "), dual, oleautomation, helpstring(\"Wide interface " i "\")]"
    print "  interface IWide" i " : IDispatch {"
    id = 1
    for (j = 0; j < per; j++) {
      kind = j % 4
      if (kind == 0) {
        print "    [id(" id++ "), propget, helpstring(\"Gets value " j " of interface " i "\")] HRESULT Value" j "([out, retval] long *v);"
      } else if (kind == 1) {
        print "    [id(" id - 1 "), propput, helpstring(\"Sets value " j - 1 " of interface " i "\")] HRESULT Value" j - 1 "([in] long v);"
      } else if (kind == 2) {
        print "    [id(" id++ "), helpstring(\"Finds item " j " by name\")] HRESULT Find" j "([in] BSTR name, [in, optional] VARIANT start, [out, retval] " next_if " **found);"
      } else {
        print "    [id(" id++ "), propget, helpstring(\"Child " j "\")] HRESULT Child" j "([in] long index, [out, retval] " next_if " **child);"
      }
    }
    print "  };"
    print "  [uuid(" uuid(2, i) "), helpstring(\"Wide object " i "\")]"
    print "  coclass Wide" i " { [default] interface IWide" i "; };"
  }
  print "};"
}' >"$idl"

"$widl" -t -m64 -I/usr/include/wine/windows -I/usr/include/wine/wine/windows -o "$out" "$idl"
