#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Remakes the HTML Help files the help tests read, with chmcmd (Debian
# package fp-utils). The suite reads the committed .chm files; this script
# is needed only after a change to a project under tests/data/help/chm.
#   tools/make-help-fixtures.sh                   sample.chm and plain.chm
#   tools/make-help-fixtures.sh --big FILE [N]    a large file of N pages
#                                                 (default 2000, about 5 MB)
# chmcmd writes the compiled file relative to the current folder and stores
# each context's topic under the absolute path it compiled from, so every
# project is compiled from a copy in a temporary folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/tests/data/help/chm"

command -v chmcmd >/dev/null || { echo "chmcmd not found (apt-get install fp-utils)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# compile PROJECT_DIR HHP OUTPUT
compile() {
  rm -rf "$work/project"
  cp -r "$1" "$work/project"
  (cd "$work/project" && chmcmd "$2" >"$work/log" 2>&1) || { cat "$work/log" >&2; exit 1; }
  local compiled
  compiled=$(sed -n 's/^Compiled file=//p' "$work/project/$2" | tr -d '\r')
  cp "$work/project/$compiled" "$3"
}

# big_project DIR PAGES: pages of pseudo-random words (little to compress),
# each mapped to context 10000 + its number.
big_project() {
  mkdir -p "$1/pages"
  awk -v dir="$1" -v pages="$2" 'BEGIN {
    srand(7)
    hhp = dir "/big.hhp"
    print "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=big.chm\nDefault topic=pages/page1.htm" > hhp
    print "Display compile progress=No\nLanguage=0x409 English (United States)\nTitle=Large Help\n\n[FILES]" > hhp
    for (p = 1; p <= pages; p++) print "pages/page" p ".htm" > hhp
    print "\n[ALIAS]" > hhp
    for (p = 1; p <= pages; p++) print "IDH_" p "=pages/page" p ".htm" > hhp
    print "\n[MAP]" > hhp
    for (p = 1; p <= pages; p++) print "#define IDH_" p " " (10000 + p) > hhp
    for (p = 1; p <= pages; p++) {
      page = dir "/pages/page" p ".htm"
      printf "<html><head><title>Page %d</title></head><body><h1>Page %d</h1>\n", p, p > page
      for (para = 0; para < 8; para++) {
        line = "<p>"
        for (w = 0; w < 90; w++) {
          n = 2 + int(rand() * 8)
          word = ""
          for (c = 0; c < n; c++) word = word sprintf("%c", 97 + int(rand() * 26))
          line = line word " "
        }
        print line "</p>" > page
      }
      print "</body></html>" > page
      close(page)
    }
  }'
}

if [ "${1:-}" = --big ]; then
  out=${2:?usage: $0 --big FILE [PAGES]}
  mkdir -p "$work/big"
  big_project "$work/big" "${3:-2000}"
  compile "$work/big" big.hhp "$out"
  exit 0
fi

compile "$data/project" help.hhp "$data/sample.chm"
compile "$data/plain" plain.hhp "$data/plain.chm"
