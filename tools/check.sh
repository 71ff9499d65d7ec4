#!/usr/bin/env bash
# Builds everything and runs every test: the one command behind "all tests pass".
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

step() { printf '\n== %s\n' "$*"; }

step "packages"
bash tools/install-deps.sh

step "formatting (clang-format)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

step "Windows build, end-to-end tests under wine"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-win -j"$jobs"
export WINEDEBUG=-all WINEPREFIX="$PWD/build-win/wineprefix"
wine=/usr/lib/wine/wine64
"$wine" wineboot --init >/dev/null 2>&1 # its first start says things the tests must not see
# run directly rather than through ctest, so that the reasons of skipped tests show
VELLUMIX_BIN="$PWD/build-win/vellumix.exe" VELLUMIX_LAUNCHER="$wine" build/tests/e2e_tests

step "tests built with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

step "fuzzing, ${FUZZ_SECONDS:=60} s a target"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLUMIX_FUZZ=ON -DSANITIZE=ON -DVELLUMIX_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs"
for target in reader image edit keys; do
  seeds=fuzz/corpus/$target
  [ "$target" = reader ] && seeds=fuzz/corpus/text
  corpus=build-fuzz/corpus-$target # new inputs go here, not into the repository
  mkdir -p "$corpus"
  echo "-- ${target}_fuzz"
  build-fuzz/fuzz/${target}_fuzz -max_total_time="$FUZZ_SECONDS" -max_len=16384 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus" "$seeds" 2>&1 | tail -n 12
done

step "release archives, unpacked and used as a player would"
tools/package.sh
version=$(sed -n 's/^project(vellumix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Unpacks $1 into an empty folder and runs its program ($3, launched by $4) there on the sample
# image: export, an edit, import, and the edit must show in the image.
try_archive() {
  local name=${1%.*} root=$PWD files work
  name=${name%.tar} name=${name##*/}
  files=$(cmake -E tar tf "$1" | grep -v '/$' | sort | tr '\n' ' ')
  [ "$files" = "$2" ] || { echo "$1 holds: $files" >&2; return 1; }
  work=$(mktemp -d)
  (cd "$work" && cmake -E tar xf "$root/$1")
  cd "$work/$name"
  "$root"/build/make_sample KR_PROG.PRG
  $4 ./$3 -savelvl -quiet
  sed -i '0,/^|\[gn\]\[gn\]\[bl\]/s//|[wh][gn][bl]/' vellumix.lvl # level 1, first cell
  $4 ./$3 -saveprg -quiet
  [ "$(od -An -tx1 -j $((0x1E936)) -N2 KR_PROG.PRG)" = " 00 10" ]
  $4 ./$3 -loadprg -quiet | grep '^|\[wh\]\[gn\]\[bl\]' >/dev/null # all of it: no SIGPIPE
  cd "$root"
  rm -rf "$work"
  echo "$1: unpacked, the edit landed"
}
top=vellumix-$version-linux-x86_64
try_archive "dist/$top.tar.gz" "$top/bin/vellumix $top/share/doc/vellumix/LICENSE \
$top/share/doc/vellumix/README.md $top/share/man/man1/vellumix.1 " bin/vellumix ""
top=vellumix-$version-windows-x86_64
try_archive "dist/$top.zip" "$top/LICENSE.txt $top/README.txt $top/vellumix.exe \
$top/vellumix.html " vellumix.exe "$wine"
cmake -E tar xf "dist/$top.zip" "$top/README.txt" # a guide for players, read in Notepad:
guide=$top/README.txt
[ "$(grep -c $'\r$' "$guide")" = "$(wc -l <"$guide")" ] || # CR LF, every line
  { echo "$guide has lines without CR LF" >&2; exit 1; }
[ "$(tr -d '\r' <"$guide" | awk 'length > 80' | wc -l)" = 0 ] ||
  { echo "$guide has lines over 80 characters" >&2; exit 1; }
! grep -nE '`|\*\*|!\[|\]\(|^#|\|---' "$guide" || # plain text, no Markdown
  { echo "$guide holds Markdown marks" >&2; exit 1; }
rm -r "$top"
