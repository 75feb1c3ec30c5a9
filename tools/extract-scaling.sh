#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Extraction time and peak memory as a library grows: makes synthetic
# libraries of 25,000, 100,000 and 250,000 members (tools/make-wide-typelib.sh;
# kept in the cache folder, as the largest takes widl about a minute) and
# extracts each in a process of its own, several times, printing the median
# of each figure:
#   tools/extract-scaling.sh build/bin/arbolith-cli [RUNS] [MEMBERS...]
# The cache folder is $ARBOLITH_WIDE_CACHE, else build/wide-typelibs beside
# the program. Needs /usr/bin/time (the time package).
set -euo pipefail
cli=${1:?usage: extract-scaling.sh PATH/TO/arbolith-cli [RUNS] [MEMBERS...]}
runs=${2:-3}
shift $(($# >= 2 ? 2 : 1))
sizes=("$@")
((${#sizes[@]})) || sizes=(25000 100000 250000)
here=$(cd "$(dirname "$0")" && pwd)
cache=${ARBOLITH_WIDE_CACHE:-$(cd "$(dirname "$cli")/.." && pwd)/wide-typelibs}
[[ -x /usr/bin/time ]] || {
  echo "extract-scaling.sh: /usr/bin/time not found (apt-get install time)" >&2
  exit 1
}
mkdir -p "$cache"
models=$(mktemp -d)
trap 'rm -rf "$models"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%10s %10s %10s %10s %12s\n' members wall_s user_s sys_s peak_MiB
for members in "${sizes[@]}"; do
  library=$cache/wide$members.tlb
  [[ -s $library ]] || "$here/make-wide-typelib.sh" "$library" "$members"
  walls=() users=() syss=() peaks=()
  for ((i = 0; i < runs; i++)); do
    figures=$(/usr/bin/time -f '%e %U %S %M' "$cli" extract "$library" --models "$models" 2>&1 >/dev/null | tail -1)
    read -r wall user sys peak <<<"$figures"
    walls+=("$wall") users+=("$user") syss+=("$sys") peaks+=("$peak")
  done
  printf '%10s %10s %10s %10s %12s\n' "$members" \
    "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${users[@]}" | median)" \
    "$(printf '%s\n' "${syss[@]}" | median)" \
    "$(printf '%s\n' "${peaks[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')"
done
