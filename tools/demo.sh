#!/usr/bin/env bash
# Builds the tool, makes the sample program image in build/demo and runs the tool's main job
# there: the image report, the export to vellumix.lvl, its check, the picture vellumix.svg, and
# the first levels on screen.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vellumix make_sample >/dev/null
mkdir -p build/demo
cd build/demo
../make_sample KR_PROG.PRG
echo "== vellumix -infos"
../vellumix -infos
echo "== vellumix -savelvl"
../vellumix -savelvl
echo "== vellumix -checklvl (the text file, unedited, is read as written)"
../vellumix -checklvl -quiet
echo "== vellumix -savesvg"
../vellumix -savesvg
echo "== vellumix -loadprg (the first two levels)"
../vellumix -loadprg -quiet | sed -n '1,32p'
echo "== the text file to edit: $(pwd)/vellumix.lvl"
echo "== the levels as a picture: $(pwd)/vellumix.svg"
echo "== to paint them in the console: cd $(pwd) && ../vellumix -edit"
