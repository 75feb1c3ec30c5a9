#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds arbolith-screenshots and writes PNG pictures of every window at 100 %
# and 200 % scaling, without a display, into <build>/screenshots. The
# pictures are for looking at; they are not committed.
#   tools/screenshots.sh            build folder: build (or ARBOLITH_BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ARBOLITH_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target arbolith-screenshots
out="$build/screenshots"
rm -rf "$out"
for scale in 1 2; do
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale "$build/bin/arbolith-screenshots" "$out"
done
