#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The desktop entry and the MIME type as the desktop reads them: the entry
# is valid, files named or begun as type libraries get the type the entry
# declares, and a launch through the entry hands the program the one file,
# spaces, quotes and dollar signs intact, or no argument at all.
# Usage: desktop_entry_test.sh SOURCE_DIR   (exits 77 when a tool is missing)
set -euo pipefail
src=$1
entry=$src/data/arbolith.desktop
mime=$src/data/arbolith-mime.xml
for tool in desktop-file-validate update-mime-database gio; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"

# The type the XML defines is the one the entry declares.
type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
grep -qx "MimeType=$type;" "$entry" || fail "the entry does not declare $type"

mkdir -p "$work/share/mime/packages" "$work/files"
cp "$mime" "$work/share/mime/packages/arbolith.xml"
update-mime-database "$work/share/mime" 2> /dev/null || fail "update-mime-database rejects $mime"
content_type() {
  XDG_DATA_HOME=$work/share XDG_DATA_DIRS=$work/share:/usr/share \
    gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'
}
cp "$src/data/sample/Quill.tlb" "$work/files/Quill.tlb"
cp "$src/data/sample/Quill.tlb" "$work/files/OFFICE.OLB"
cp "$src/data/sample/Quill.tlb" "$work/files/renamed.bin"
printf 'SLTG\001\000\002\000 an older library without a telling name' > "$work/files/older"
printf 'Just text mentioning MSFT and SLTG.\n' > "$work/files/notes.txt"
while read -r file expected; do
  got=$(content_type "$work/files/$file")
  if [ "$expected" = "$type" ]; then
    [ "$got" = "$type" ] || fail "$file is $got, not $type"
  else
    [ "$got" != "$type" ] || fail "$file is taken for a type library"
  fi
done <<LIST
Quill.tlb $type
OFFICE.OLB $type
renamed.bin $type
older $type
notes.txt other
LIST

# A stand-in program records what the entry's command line gives it.
mkdir -p "$work/bin"
cat > "$work/bin/arbolith" <<'STUB'
#!/bin/sh
{ printf 'count=%s\n' "$#"; for a in "$@"; do printf 'arg=%s\n' "$a"; done; } > "$ARBOLITH_STUB_OUT"
STUB
chmod +x "$work/bin/arbolith"
launch() {
  rm -f "$work/out"
  PATH=$work/bin:$PATH ARBOLITH_STUB_OUT=$work/out gio launch "$entry" "$@"
  for _ in $(seq 50); do [ -s "$work/out" ] && break; sleep 0.1; done
  cat "$work/out" 2> /dev/null || true
}
odd="$work/files/My \$HOME \"lib\" (1).tlb"
cp "$src/data/sample/Quill.tlb" "$odd"
[ "$(launch "$odd")" = "$(printf 'count=1\narg=%s' "$odd")" ] || fail "a launch with a file passes: $(launch "$odd")"
[ "$(launch)" = "count=0" ] || fail "a launch without a file passes: $(launch)"

[ "$failures" -eq 0 ] && echo "desktop entry and MIME type: all checks passed"
exit $((failures > 0))
