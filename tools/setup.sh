#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Set-up for a fresh Debian 12 machine (run as root, or with sudo):
#   tools/setup.sh run    install packages, build, start Arbolith
#   tools/setup.sh test   install packages, build, run the whole test suite
# Extra CMake arguments can be passed in ARBOLITH_CMAKE_ARGS; the build
# folder is ARBOLITH_BUILD_DIR (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in run|test) ;; *) echo "usage: $0 run|test" >&2; exit 2 ;; esac

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libsqlcipher-dev sqlcipher libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libcli11-dev libchm-dev
  wine64-tools
  libgraphviz-dev libgvc6
  dpkg-dev file
)
# The tests read the real type libraries that Wine ships, and check the
# desktop entry and the MIME type the way the desktop reads them.
[ "$mode" = test ] && packages+=(wine64 shared-mime-info libglib2.0-bin desktop-file-utils)
# The --json output is checked against its JSON Schemas.
[ "$mode" = test ] && packages+=(python3-jsonschema)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build=${ARBOLITH_BUILD_DIR:-build}
# Running needs the two programs only; the tests and benchmarks are built
# for the test run.
if [ "$mode" = run ]; then
  parts=(-DARBOLITH_BUILD_TESTS=OFF -DARBOLITH_BUILD_BENCH=OFF)
  targets=(--target arbolith arbolith-cli)
else
  parts=(-DARBOLITH_BUILD_TESTS=ON -DARBOLITH_BUILD_BENCH=ON)
  targets=()
fi
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja "${parts[@]}" ${ARBOLITH_CMAKE_ARGS:-}
cmake --build "$build" "${targets[@]}"

if [ "$mode" = run ]; then
  exec "$build/bin/arbolith"
else
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
fi
