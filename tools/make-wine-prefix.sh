#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes a synthetic Wine prefix with COUNT registered type libraries (1000
# unless given), for timing the registry list as a whole process:
#   tools/make-wine-prefix.sh DIR [COUNT]
#   /usr/bin/time -v build/bin/arbolith-cli libraries --prefix DIR > /dev/null
# Each library is a small file of its own in drive_c/windows/system32,
# registered as Wine registers one: description, FLAGS "0", a win64 path
# (every third with the "\\?\" long-path prefix) and, for every other one,
# a win32 path to a file that is not there.
set -euo pipefail
dir=${1:?usage: make-wine-prefix.sh DIR [COUNT]}
count=${2:-1000}
[[ -e $dir ]] && { echo "make-wine-prefix.sh: $dir exists already" >&2; exit 1; }
system32=$dir/drive_c/windows/system32
mkdir -p "$system32" "$dir/dosdevices"
ln -s ../drive_c "$dir/dosdevices/c:"
ln -s / "$dir/dosdevices/z:"
{
  printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n'
  for ((i = 0; i < count; i++)); do
    guid=$(printf '{%08X-1234-5678-9ABC-DEF012345678}' "$i")
    file=Library$i.tlb
    printf x > "$system32/$file"
    key="Software\\\\Classes\\\\Typelib\\\\$guid\\\\1.0"
    path="C:\\\\windows\\\\system32\\\\$file"
    if ((i % 3 == 0)); then path="\\\\\\\\?\\\\$path"; fi
    printf '\n[%s] 1700000000\n#time=1da0000000000\n@="Synthetic library number %d"\n' "$key" "$i"
    printf '\n[%s\\\\FLAGS] 1700000000\n@="0"\n' "$key"
    printf '\n[%s\\\\0\\\\win64] 1700000000\n@="%s"\n' "$key" "$path"
    if ((i % 2 == 0)); then
      printf '\n[%s\\\\0\\\\win32] 1700000000\n@="C:\\\\windows\\\\syswow64\\\\%s"\n' "$key" "$file"
    fi
  done
} > "$dir/system.reg"
