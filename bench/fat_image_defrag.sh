#!/usr/bin/env bash
# Defrag of a FAT32 image with a few thousand fragmented files, against a plain copy of the
# bytes it moved on the same disk (the physical limit for moving them once).
# Usage: bench/fat_image_defrag.sh [SIZE_MIB] [FILES]   (default 1024 MiB, 3000 files)
# TARVONEL=PROGRAM runs another build of the console program (to compare two builds);
# SLOW_BARRIER_MS=N delays every write barrier by N ms (a preloaded shim), as on a stick or card.
# The barriers are counted with strace on a second copy of the image, so the timed run is not traced.
set -euo pipefail
# The program's exit status 1 (a file left in pieces) still has figures to report.
cd "$(dirname "$0")/.."
size=${1:-1024}
files=${2:-3000}
tarvonel=$(realpath "${TARVONEL:-build/linux/tarvonel}")
work=$(mktemp -d build/bench-fat.XXXXXX)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
img="$work/volume.img"
. tests/scripts/fat_volume.sh
fat_fragmented_card "$img" "$size" "$files"
# The image's writes are on the disk before anything is timed: the Defrag's first barrier
# would otherwise flush what mcopy left in the page cache and be charged for it.
sync
analyze_start=$(date +%s.%N)
before=$("$tarvonel" --image C:="$img" --analyze 2>/dev/null | sed -n 's/^  fragmented: //p')
analyze_end=$(date +%s.%N)
# The least any defragmenter must move: every cluster of a fragmented file outside its largest
# run; and all the clusters of the fragmented files, what moving each one whole costs.
read -r bound whole < <(for i in $(seq 1 "$files"); do
    if [ $((i % 2)) -eq 1 ]; then echo "::/d$((i / 100))/f$i"; else echo "::/d$((i / 100))/g$i"; fi
  done |
  xargs mshowfat -i "$img" | awk '{
    total = 0; largest = 0; runs = 0
    for (i = 2; i <= NF; i++) { gsub(/[<>]/, "", $i); n = split($i, r, "-"); len = (n == 2 ? r[2] - r[1] + 1 : 1)
      total += len; runs++; if (len > largest) largest = len }
    if (runs > 1) { sum += total - largest; whole += total } } END { print sum + 0, whole + 0 }')
cp --sparse=always "$img" "$work/traced.img"
preload=""
if [ -n "${SLOW_BARRIER_MS:-}" ]; then
  cc -shared -fPIC -O2 -o "$work/slow_barrier.so" bench/slow_barrier.c -ldl
  preload="$work/slow_barrier.so"
fi
sync
start=$(date +%s.%N)
report=$(LD_PRELOAD="$preload" "$tarvonel" --image C:="$img" -- /d 2>&1 >/dev/null) || true
end=$(date +%s.%N)
strace -f -c -e trace=fdatasync,fsync -o "$work/strace.txt" "$tarvonel" --image C:="$work/traced.img" -- /d >/dev/null 2>&1 || true
barriers=$(awk '$NF == "fdatasync" || $NF == "fsync" { n += $4 } END { print n + 0 }' "$work/strace.txt")
clusters=$(echo "$report" | sed -n 's/.* moves, \([0-9]*\) clusters moved/\1/p')
moves=$(echo "$report" | sed -n 's/^tarvonel: \([0-9]*\) moves, .*/\1/p')
after=$("$tarvonel" --image C:="$img" --analyze 2>/dev/null | sed -n 's/^  fragmented: //p')
bytes=$((clusters * 4096))
sync
copy_start=$(date +%s.%N)
LD_PRELOAD="$preload" dd if="$img" of="$work/copy" bs=1M count=$(( (bytes + 1048575) / 1048576 )) conv=fdatasync status=none
copy_end=$(date +%s.%N)
fsck.fat -n "$img" >/dev/null && fsck=clean || fsck="NOT CLEAN"
printf 'image %d MiB, %d files: fragmented %s -> %s; %s moves, %s clusters (%d MiB) moved; lower bound %s clusters; the fragmented files hold %s\n' \
  "$size" "$files" "$before" "$after" "$moves" "$clusters" $((bytes / 1048576)) "$bound" "$whole"
printf 'barriers (fdatasync and fsync) %s: one per %.1f moves\n' "$barriers" "$(echo "$moves / ($barriers + 0.000001)" | bc -l)"
printf 'defrag %.2f s%s (start-up, reading the image and its analysis alone: %.2f s); plain copy of the same bytes %.2f s; fsck.fat: %s\n' \
  "$(echo "$end - $start" | bc)" "${SLOW_BARRIER_MS:+ with every barrier delayed by $SLOW_BARRIER_MS ms}" "$(echo "$analyze_end - $analyze_start" | bc)" "$(echo "$copy_end - $copy_start" | bc)" "$fsck"
