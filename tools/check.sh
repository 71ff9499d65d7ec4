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
for target in reader image; do
  seeds=fuzz/corpus/image
  [ "$target" = reader ] && seeds=fuzz/corpus/text
  corpus=build-fuzz/corpus-$target # new inputs go here, not into the repository
  mkdir -p "$corpus"
  echo "-- ${target}_fuzz"
  build-fuzz/fuzz/${target}_fuzz -max_total_time="$FUZZ_SECONDS" -max_len=16384 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus" "$seeds" 2>&1 | tail -n 12
done
