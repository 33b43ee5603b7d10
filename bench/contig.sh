#!/usr/bin/env bash
# contig of one large file on a FAT32 card whose free space is all in 1 MiB holes: the clusters it
# moves against the least any tool must move (computed apart, from mshowfat's chains, by
# bench/contig_lower_bound.py), its write barriers, and its time against a plain copy of the
# bytes it moved on the same disk.
# Usage: bench/contig.sh [SIZE_MIB] [FILE_MIB]   (default 256 MiB, a 60 MiB file)
# TARVONEL=PROGRAM runs another build; SLOW_BARRIER_MS=N delays every barrier by N ms.
set -euo pipefail
# The program's exit status 1 (a file left in pieces) still has figures to report.
cd "$(dirname "$0")/.."
size=${1:-256}
file_mib=${2:-60}
tarvonel=$(realpath "${TARVONEL:-build/linux/tarvonel}")
work=$(mktemp -d build/bench-contig.XXXXXX)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
img="$work/card.img"
mkfs.fat -C -F 32 -s 4 "$img" $((size * 1024)) >/dev/null
files=$((size - 8))
for i in $(seq 1 "$files"); do head -c 1048576 /dev/urandom > "$work/f$i"; done
mcopy -i "$img" $(for i in $(seq 1 "$files"); do echo "$work/f$i"; done) ::/
for i in $(seq 2 2 "$files"); do echo "::/f$i"; done | xargs mdel -i "$img"
printf '\377\377\377\377' | dd of="$img" bs=1 seek=1004 conv=notrunc 2>/dev/null
head -c $((file_mib * 1048576)) /dev/urandom > "$work/GAME.ISO"
mcopy -i "$img" "$work/GAME.ISO" ::/GAME.ISO
pieces=$(mshowfat -i "$img" ::/GAME.ISO | grep -o '<' | wc -l)
total=$("$tarvonel" analyze "$img" --json | sed -n 's/.*"clusters": \([0-9]*\),*$/\1/p' | head -1)
bound=$( (for i in $(seq 1 2 "$files"); do echo "::/f$i"; done; echo ::/GAME.ISO) | xargs mshowfat -i "$img" |
  python3 bench/contig_lower_bound.py ::/GAME.ISO "$total")
cp --sparse=always "$img" "$work/traced.img"
preload=""
if [ -n "${SLOW_BARRIER_MS:-}" ]; then
  cc -shared -fPIC -O2 -o "$work/slow_barrier.so" bench/slow_barrier.c -ldl
  preload="$work/slow_barrier.so"
fi
sync
start=$(date +%s.%N)
report=$(LD_PRELOAD="$preload" "$tarvonel" contig "$img" /GAME.ISO --quiet) || true
end=$(date +%s.%N)
strace -f -c -e trace=fdatasync,fsync -o "$work/strace.txt" "$tarvonel" contig "$work/traced.img" /GAME.ISO --quiet >/dev/null || true
barriers=$(awk '$NF == "fdatasync" || $NF == "fsync" { n += $4 } END { print n + 0 }' "$work/strace.txt")
moved=$(echo "$report" | sed -n 's/.*moves, \([0-9]*\) clusters moved$/\1/p')
moves=$(echo "$report" | sed -n 's/.*; \([0-9]*\) moves, [0-9]* clusters moved$/\1/p')
least=$(echo "$report" | sed -n 's/.*the least any tool must move is \([0-9]*\)).*/\1/p')
bytes=$((moved * 2048))
sync
copy_start=$(date +%s.%N)
LD_PRELOAD="$preload" dd if="$img" of="$work/copy" bs=1M count=$(( (bytes + 1048575) / 1048576 )) conv=fdatasync status=none
copy_end=$(date +%s.%N)
after=$(mshowfat -i "$img" ::/GAME.ISO | grep -o '<' | wc -l)
fsck.fat -n "$img" >/dev/null && fsck=clean || fsck="NOT CLEAN"
printf 'card %d MiB in 1 MiB holes, a %d MiB file in %d pieces -> %d; fsck.fat: %s\n' "$size" "$file_mib" "$pieces" "$after" "$fsck"
printf 'clusters moved %s in %s moves; least any tool must move: %s (the program'"'"'s own count %s); ratio %.2f\n' \
  "$moved" "$moves" "$bound" "$least" "$(echo "$moved / $bound" | bc -l)"
printf 'barriers %s; contig %.2f s%s; plain copy of the %d MiB moved %.2f s\n' "$barriers" "$(echo "$end - $start" | bc)" \
  "${SLOW_BARRIER_MS:+ with every barrier delayed by $SLOW_BARRIER_MS ms}" $((bytes / 1048576)) "$(echo "$copy_end - $copy_start" | bc)"
