#!/usr/bin/env bash
# Measures every action on the sample image against standard tools doing the same file work
# in the same folder, the peak memory of each action, -loadlvl on large text files, and the
# console editor: its first screen against -loadprg, the bytes of a keystroke, its memory, and
# the memory of its undo history.
# Needs hyperfine and GNU time (Debian packages hyperfine and time); installs them when missing.
# Runs for about a quarter of a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v hyperfine >/dev/null || [ ! -x /usr/bin/time ]; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q hyperfine time
fi
root=$PWD
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVELLUMIX_TESTS=OFF >/dev/null 2>&1
cmake --build build-bench -j"$(nproc)" --target vellumix make_sample undo_bench >/dev/null 2>&1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$root/build-bench/make_sample" KR_PROG.PRG
tool="$root/build-bench/vellumix"
"$tool" -savelvl -quiet

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "        $(uname -sr), $(df -T . | awk 'NR==2 {print $2}') file system"
echo
# hyperfine sends standard output to /dev/null and, with -N, starts each command without a shell
read_base='cat KR_PROG.PRG'
write_base='dd if=KR_PROG.PRG of=copy.prg conv=fsync status=none'
median() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$1"; }
ms() { python3 -c 'import sys; print("%9.3f ms" % (float(sys.argv[1]) * 1000))' "$1"; }
ratio() { python3 -c 'import sys; print("%.2f" % (float(sys.argv[1]) / float(sys.argv[2])))' "$1" "$2"; }
printf '%-9s %12s %12s %6s %10s\n' action median baseline ratio "peak RSS"
for action in -infos -loadprg -savelvl -loadlvl -saveprg; do
  case $action in -savelvl | -saveprg) base=$write_base ;; *) base=$read_base ;; esac
  hyperfine -N --warmup 20 --runs 300 --export-json a.json "$tool $action -quiet" >/dev/null 2>&1
  hyperfine -N --warmup 20 --runs 300 --export-json b.json "$base" >/dev/null 2>&1
  a=$(median a.json)
  b=$(median b.json)
  rss=$({ /usr/bin/time -f %M "$tool" "$action" -quiet >/dev/null; } 2>&1)
  printf '%-9s %12s %12s %6s %6s KiB\n' "$action" "$(ms "$a")" "$(ms "$b")" "$(ratio "$a" "$b")" "$rss"
done

echo
# The sample's text followed by comment lines up to the size: the reader stops after the last
# level, so the comments go first to make it read them all.
pad() {
  python3 - "$1" <<'PY'
import sys
size = int(sys.argv[1])
levels = open("vellumix.lvl", "rb").read()
line = b"# " + b"-" * 61 + b"\n"
with open("big.lvl", "wb") as f:
    f.write(line * ((size - len(levels)) // len(line)))
    f.write(levels)
PY
}
cp vellumix.lvl sample.lvl
for mib in 1 64; do
  cp sample.lvl vellumix.lvl
  pad $((mib * 1024 * 1024))
  mv big.lvl vellumix.lvl
  runs=$((mib == 1 ? 100 : 10))
  hyperfine -N --warmup 3 --runs "$runs" --export-json "l$mib.json" "$tool -loadlvl -quiet" >/dev/null 2>&1
  rss=$({ /usr/bin/time -f %M "$tool" -loadlvl -quiet >/dev/null; } 2>&1)
  printf -- '-loadlvl on %2d MiB of text: %s, peak RSS %s KiB\n' "$mib" "$(ms "$(median "l$mib.json")")" "$rss"
done
echo "64 MiB / 1 MiB: $(ratio "$(median l64.json)" "$(median l1.json)")"

echo
# The editor's undo history: targets 4 MiB after 100,000 painted cells, 16 MiB after 1,000,000.
for n in 100000 1000000; do "$root/build-bench/undo_bench" "$n"; done

echo
# The console editor on a pseudo-terminal: first screen against -loadprg, bytes, memory.
python3 "$root/bench/console.py" "$tool"
