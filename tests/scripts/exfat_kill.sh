#!/usr/bin/env bash
# Kills the tool (SIGKILL) at random moments of a batched defrag of a fragmented 256 MiB exFAT
# card written through the exFAT FUSE driver, ROUNDS times, each on a fresh copy: fsck.exfat -n
# says clean, an independent reading finds nothing but what a cut may leave (clusters in use that
# no file holds, entries of a set written anew), and every file's contents are as they were.
# Usage: tests/scripts/exfat_kill.sh TARVONEL [ROUNDS]   (default 50; as root)
set -euo pipefail
tarvonel=$(realpath "$1")
rounds=${2:-50}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C.UTF-8
. "$here/exfat_volume.sh"
# Sums of every file, and the reading's problems but what a cut may leave.
judge() { python3 "$here/exfat_reference.py" --judge "$1"; }
EXFAT_CARD_BYTES=$((256 << 20)) EXFAT_ROOT_FILES=300 EXFAT_SUB_FILES=300 exfat_fragmented_card pristine.img 65536
judge pristine.img > expected.txt
! grep -q PROBLEM expected.txt || { echo "kill test: the pristine card: $(grep PROBLEM expected.txt)"; exit 1; }

cp pristine.img v.img
start=$(date +%s%N)
status=0
"$tarvonel" defrag v.img --quiet >/dev/null 2>&1 || status=$?
[ "$status" -le 1 ] || { echo "kill test: the uninterrupted defrag failed with status $status"; exit 1; }
whole=$(( $(date +%s%N) - start ))
[ "$(judge v.img)" = "$(cat expected.txt)" ] || { echo "kill test: the uninterrupted defrag left a changed card"; exit 1; }

killed=0
damaged=0
for round in $(seq 1 "$rounds"); do
  cp pristine.img v.img
  "$tarvonel" defrag v.img --quiet >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v ns="$whole" -v r="$RANDOM" 'BEGIN { printf "%.3f", ns / 1e9 * r / 32768 }')"
  if kill -9 "$pid" 2>/dev/null; then killed=$((killed + 1)); fi
  wait "$pid" 2>/dev/null || true
  if ! fsck.exfat -n v.img 2>&1 | grep -q ': clean\.'; then
    echo "round $round: fsck.exfat found damage"
    damaged=$((damaged + 1))
  elif [ "$(judge v.img)" != "$(cat expected.txt)" ]; then
    echo "round $round: $(judge v.img | diff - expected.txt | head -3 | tr '\n' ' ')"
    damaged=$((damaged + 1))
  fi
done
echo "exfat kill test: $rounds rounds ($killed killed while running; an uninterrupted defrag takes $((whole / 1000000)) ms), $damaged damaged"
[ "$damaged" -eq 0 ]
