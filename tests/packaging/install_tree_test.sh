#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What `cmake --install` places under a prefix, and the installed programs
# finding their data there: the sample's model made by the installed
# arbolith-cli has the tree the build tree's makes, the VB/VBA enum database
# is found, and nothing is written beside the installed programs.
# Usage: install_tree_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" > /dev/null
for file in bin/arbolith bin/arbolith-cli share/arbolith/sample/Quill.tlb share/arbolith/sample/Quill.chm \
  share/arbolith/help/index.html share/arbolith/Special.mdb share/arbolith/typelibs/stdole2.tlb \
  share/icons/hicolor/scalable/apps/arbolith.svg share/applications/arbolith.desktop \
  share/mime/packages/arbolith.xml; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ ! -e "$prefix/bin/arbolith-build-tree" ] || fail "the build tree's marker was installed"

# Each program run in a home of its own, with no Wine prefix.
run() {
  local home=$1
  shift
  mkdir -p "$home"
  env -u ARBOLITH_HOME -u XDG_DATA_HOME HOME="$home" WINEPREFIX="$home/.wine" "$@"
}
# The build tree's program keeps its files beside itself unless told
# otherwise; given a home of its own, it never shares build/bin's settings
# with the tests running beside this one.
run_built() {
  mkdir -p "$work/built"
  env ARBOLITH_HOME="$work/built" HOME="$work/built" WINEPREFIX="$work/built/.wine" "$build/bin/arbolith-cli" "$@"
}
sample=$prefix/share/arbolith/sample/Quill.tlb
run "$work/installed" "$prefix/bin/arbolith-cli" make "$sample" --top Application --events > "$work/make.log" 2>&1 ||
  fail "the installed arbolith-cli cannot make the sample's model: $(cat "$work/make.log")"
run_built make "$sample" --top Application --events --models "$work/built/Models" > /dev/null 2>&1
installed_tree=$(run "$work/installed" "$prefix/bin/arbolith-cli" tree Quill || true)
built_tree=$(run_built tree Quill --models "$work/built/Models" || true)
[ -n "$installed_tree" ] && [ "$installed_tree" = "$built_tree" ] ||
  fail "the installed program's tree differs from the build tree's"
[ -f "$work/installed/.local/share/arbolith/Models/Quill.DAT" ] || fail "the model is not in the user's data folder"
# Read whole before it is searched: grep -q stops reading at the first match,
# and the program writing the rest would then fail on the closed pipe.
vba_enums=$(run "$work/installed" "$prefix/bin/arbolith-cli" enums --vba || true)
grep -q '^ColorConstants' <<<"$vba_enums" || fail "the installed VB/VBA enum database is not found"
[ "$(ls "$prefix/bin")" = "$(printf 'arbolith\narbolith-cli')" ] || fail "files were written beside the programs"

[ "$failures" -eq 0 ] && echo "install tree: all checks passed"
exit $((failures > 0))
