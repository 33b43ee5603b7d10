#!/usr/bin/env bash
# exFAT: a Defrag of a fragmented 256 MiB card written through the exFAT FUSE driver, and a
# contig of one large file written into the holes of a second, each against a plain copy of
# the bytes it moved on the same disk, in one run: clusters moved, write barriers (strace, on
# a second copy) and wall times. As root (loop devices and FUSE mounts).
# Usage: bench/exfat.sh [CLUSTER_BYTES] [BIG_MIB]   (default 32768, a 40 MiB file)
# TARVONEL=PROGRAM runs another build; SLOW_BARRIER_MS=N delays every barrier by N ms.
set -euo pipefail
cd "$(dirname "$0")/.."
c=${1:-32768}
big_mib=${2:-40}
tarvonel=$(realpath "${TARVONEL:-build/linux/tarvonel}")
work=$(mktemp -d build/bench-exfat.XXXXXX)
trap 'rm -rf "$work"' EXIT
. tests/scripts/exfat_volume.sh
export EXFAT_CARD_BYTES=$((256 << 20)) EXFAT_ROOT_FILES=300 EXFAT_SUB_FILES=300
exfat_fragmented_card "$work/card.img" "$c"
cp --sparse=always "$work/card.img" "$work/big.img"
write_big() { rm -f "$2"/GAMES/Sub/s*.bin; head -c $((big_mib << 20)) /dev/urandom > "$2/BIG.ISO"; }
exfat_with_mount "$work/big.img" write_big x
preload=""
if [ -n "${SLOW_BARRIER_MS:-}" ]; then
  cc -shared -fPIC -O2 -o "$work/slow_barrier.so" bench/slow_barrier.c -ldl
  preload="$work/slow_barrier.so"
fi

# run NAME IMAGE COMMAND [PATH...]: the job timed, its barriers counted on a copy, a plain copy of the
# bytes it moved timed after it.
run() {
  local name=$1 image=$2 verb=$3 start end report clusters barriers copy_start copy_end bytes
  shift 3
  cp --sparse=always "$image" "$work/traced.img"
  sync
  start=$(date +%s.%N)
  report=$(LD_PRELOAD="$preload" "$tarvonel" "$verb" "$image" "$@" --quiet) || true
  end=$(date +%s.%N)
  strace -f -c -e trace=fdatasync,fsync -o "$work/strace.txt" "$tarvonel" "$verb" "$work/traced.img" "$@" --quiet >/dev/null || true
  barriers=$(awk '$NF == "fdatasync" || $NF == "fsync" { n += $4 } END { print n + 0 }' "$work/strace.txt")
  clusters=$(echo "$report" | sed -n 's/.* \([0-9]*\) clusters moved$/\1/p; s/.* moves, \([0-9]*\) clusters (.*/\1/p' | tail -1)
  if [ -z "$clusters" ]; then  # the job did not finish: what it said
    printf '%s: %s; %s barriers, %.2f s\n' "$name" "$(echo "$report" | tail -1)" "$barriers" "$(echo "$end - $start" | bc)"
    return
  fi
  bytes=$((clusters * c))
  sync
  copy_start=$(date +%s.%N)
  LD_PRELOAD="$preload" dd if="$image" of="$work/copy" bs=1M count=$(( (bytes + 1048575) / 1048576 )) conv=fdatasync status=none
  copy_end=$(date +%s.%N)
  fsck.exfat -n "$image" 2>&1 | grep -q ': clean\.' && fsck=clean || fsck="NOT CLEAN"
  printf '%s: %s clusters (%d MiB) moved, %s barriers, %.2f s%s; plain copy %.2f s; fsck.exfat: %s\n' "$name" "$clusters" \
    $((bytes >> 20)) "$barriers" "$(echo "$end - $start" | bc)" "${SLOW_BARRIER_MS:+ (barriers delayed $SLOW_BARRIER_MS ms)}" \
    "$(echo "$copy_end - $copy_start" | bc)" "$fsck"
}
cp --sparse=always "$work/card.img" "$work/defrag.img"
run "defrag ($((c / 1024)) KiB clusters)" "$work/defrag.img" defrag
pieces=$("$tarvonel" frag "$work/big.img" /BIG.ISO | sed -n 's/^\/BIG.ISO: \([0-9]*\) pieces.*/\1/p')
run "contig of a $big_mib MiB file in $pieces pieces" "$work/big.img" contig /BIG.ISO
