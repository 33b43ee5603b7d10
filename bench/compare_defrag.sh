#!/usr/bin/env bash
# The tool's defrag in two builds, side by side in one run: the FAT32 benchmark card (and, as
# root, the exFAT one), each build run in turn on a fresh copy (A B A B ...), so that the
# machine's noise falls on both alike. Prints each build's median wall time, its moves and
# clusters moved, and the ratio B / A.
# Usage: bench/compare_defrag.sh PROGRAM_A PROGRAM_B [SIZE_MIB] [FILES] [ROUNDS]
#        (default a 1024 MiB card of 3000 files, as bench/fat_image_defrag.sh makes it; 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
a=$(realpath "$1")
b=$(realpath "$2")
size=${3:-1024}
files=${4:-3000}
rounds=${5:-5}
work=$(mktemp -d build/bench-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
. tests/scripts/fat_volume.sh
. tests/scripts/exfat_volume.sh

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME IMAGE: both builds' defrag of IMAGE, alternated.
compare() {
  local name=$1 image=$2 round program report start end
  : > "$work/A.times"; : > "$work/B.times"
  for round in $(seq 1 "$rounds"); do
    for program in A B; do
      cp --sparse=always "$image" "$work/run.img"
      sync
      start=$(date +%s.%N)
      report=$("$([ $program = A ] && echo "$a" || echo "$b")" defrag "$work/run.img" --quiet) || true
      end=$(date +%s.%N)
      echo "$end - $start" | bc >> "$work/$program.times"
      echo "$report" | sed -n 's/^defrag: \(.*\) moved in .*/\1/p' > "$work/$program.moved"
    done
  done
  local ta tb
  ta=$(median < "$work/A.times"); tb=$(median < "$work/B.times")
  printf '%s: A %.3f s (%s), B %.3f s (%s); B / A = %.2f (median of %d runs each, alternated)\n' "$name" "$ta" \
    "$(cat "$work/A.moved")" "$tb" "$(cat "$work/B.moved")" "$(echo "$tb / $ta" | bc -l)" "$rounds"
}

fat_fragmented_card "$work/fat32.img" "$size" "$files"
compare "FAT32 ${size} MiB, $files files" "$work/fat32.img"
if [ "$(id -u)" -eq 0 ]; then
  EXFAT_CARD_BYTES=$((256 << 20)) EXFAT_ROOT_FILES=300 EXFAT_SUB_FILES=300 exfat_fragmented_card "$work/exfat.img" 32768
  compare "exFAT 256 MiB, 32 KiB clusters" "$work/exfat.img"
fi
