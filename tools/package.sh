#!/usr/bin/env bash
# Builds the release archives into dist/: the Linux program with its manual page and documents
# as a .tar.gz of its install tree, and the Windows program, cross-built with mingw-w64, as a .zip
# of one folder. Needs only what tools/install-deps.sh installs, and no network.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v mandoc >/dev/null || { echo "package.sh: mandoc is needed for vellumix.html" >&2; exit 1; }
mkdir -p dist
for system in linux windows; do
  build=build-release-$system
  options=(-DCMAKE_BUILD_TYPE=Release -DVELLUMIX_TESTS=OFF)
  [ "$system" = windows ] && options+=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
  cmake -S . -B "$build" --no-warn-unused-cli "${options[@]}" >/dev/null
  cmake --build "$build" -j"$(nproc)" >/dev/null
  rm -rf "$build/package"
  cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
  for archive in "$build"/package/*.tar.gz "$build"/package/*.zip; do
    [ -e "$archive" ] || continue
    mv "$archive" dist/
    echo "dist/${archive##*/}: $(stat -c %s "dist/${archive##*/}") bytes"
  done
done
