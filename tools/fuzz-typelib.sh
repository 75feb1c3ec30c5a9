#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds typelib_fuzzer with clang in build-fuzz and runs it.
#
#   tools/fuzz-typelib.sh [SECONDS] [-- extra libFuzzer flags]
#
# SECONDS defaults to 600. Seeds are prepared in /tmp/fuzz-seeds (never in the
# repository): the Wine files holding a TYPELIB resource, the bytes of their
# first library cut out from "MSFT" on, tests/data/typelib/idl/*.tlb and *.dll (the
# SLTG libraries among them), and the inputs under tests/data/typelib/fuzz-regressions.
# The growing corpus is kept in /tmp/fuzz-corpus so later runs start where
# earlier ones stopped; crashes land in /tmp/fuzz-artifacts. Turn a crash into
# a regression input with
#   build-fuzz/bin/typelib_fuzzer -minimize_crash=1 -runs=20000 CRASH
# and copy the smallest result into tests/data/typelib/fuzz-regressions/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
[[ $# -gt 0 ]] && shift
[[ ${1:-} == -- ]] && shift

build=$repo/build-fuzz
seeds=${FUZZ_SEEDS:-/tmp/fuzz-seeds}
corpus=${FUZZ_CORPUS:-/tmp/fuzz-corpus}
artifacts=${FUZZ_ARTIFACTS:-/tmp/fuzz-artifacts}
wine=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
max_len=262144

CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARBOLITH_FUZZ=ON -DARBOLITH_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target typelib_fuzzer

if [[ ! -d $seeds ]]; then
  mkdir -p "$seeds"
  cp "$repo"/tests/data/typelib/idl/*.tlb "$repo"/tests/data/typelib/idl/*.dll "$repo"/tests/data/typelib/fuzz-regressions/* "$seeds"/
  for f in "$wine"/*; do
    [[ -f $f ]] || continue
    grep -q -a "T.Y.P.E.L.I.B" "$f" || continue
    name=$(basename "$f")
    [[ $name == oleview.exe ]] && continue  # a type-library viewer: not a seed
    size=$(stat -c %s "$f")
    # Whole files only when small enough to survive -max_len intact.
    if (( size <= max_len )); then cp "$f" "$seeds/$name"; fi
    # Byte offset of the first "MSFT"; the cut runs from there on. The pipes
    # end early on purpose (SIGPIPE), hence the "|| true".
    at=$( (grep -a -b -o -m1 MSFT "$f" || true) | head -n1 | cut -d: -f1)
    if [[ -n $at ]]; then
      (tail -c +$((at + 1)) "$f" | head -c "$max_len" >"$seeds/$name.msft") || true
    fi
  done
fi
mkdir -p "$corpus" "$artifacts"

# One process: the machine is shared. For a long unattended run pass
# "-- -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1" to keep
# going past the first crash (still one worker).
exec "$build/bin/typelib_fuzzer" "$corpus" "$seeds" \
  -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@"
