#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Extracts every type library of the Wine corpus (the files listed in
# tests/data/typelib/oracle/CORPUS.txt) in one arbolith-cli process, into a
# scratch models folder. Time it as a whole, e.g.
#   /usr/bin/time -v tools/extract-corpus.sh build/bin/arbolith-cli
# Extra arguments (--interfaces, --modules) go to arbolith-cli.
set -euo pipefail
cli=${1:?usage: extract-corpus.sh PATH/TO/arbolith-cli [OPTIONS]}
shift
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
models=$(mktemp -d)
trap 'rm -rf "$models"' EXIT
libraries=()
while read -r name _; do
  [[ -z $name || $name == \#* ]] && continue
  libraries+=("$wine_dir/$name")
done <"$here/tests/data/typelib/oracle/CORPUS.txt"
exec_status=0
"$cli" extract "${libraries[@]}" --models "$models" "$@" 2>/dev/null || exec_status=$?
exit $exec_status
