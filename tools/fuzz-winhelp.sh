#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds winhelp_fuzzer with clang in build-fuzz and runs it.
#
#   tools/fuzz-winhelp.sh [SECONDS] [-- extra libFuzzer flags]
#
# SECONDS defaults to 600. Seeds are the WinHelp fixtures the test-side
# writer made (tests/data/help/winhelp/*.hlp) and the inputs under
# tests/data/help/winhelp/fuzz-regressions, copied to /tmp/fuzz-winhelp-seeds.
# The growing corpus is kept in /tmp/fuzz-winhelp-corpus so later runs start
# where earlier ones stopped; crashes land in /tmp/fuzz-winhelp-artifacts.
# Turn a crash into a regression input with
#   build-fuzz/bin/winhelp_fuzzer -minimize_crash=1 -runs=20000 CRASH
# and copy the smallest result into tests/data/help/winhelp/fuzz-regressions/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
[[ $# -gt 0 ]] && shift
[[ ${1:-} == -- ]] && shift

build=$repo/build-fuzz
seeds=${FUZZ_SEEDS:-/tmp/fuzz-winhelp-seeds}
corpus=${FUZZ_CORPUS:-/tmp/fuzz-winhelp-corpus}
artifacts=${FUZZ_ARTIFACTS:-/tmp/fuzz-winhelp-artifacts}
max_len=65536

CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARBOLITH_FUZZ=ON -DARBOLITH_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target winhelp_fuzzer

mkdir -p "$seeds" "$corpus" "$artifacts"
cp "$repo"/tests/data/help/winhelp/*.hlp "$repo"/tests/data/help/winhelp/fuzz-regressions/* "$seeds"/

# One process: the machine is shared. For a long unattended run pass
# "-- -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1" to keep
# going past the first crash (still one worker).
exec "$build/bin/winhelp_fuzzer" "$corpus" "$seeds" \
  -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@"
