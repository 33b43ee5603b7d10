#!/usr/bin/env bash
# Kills the console program (SIGKILL) at random moments of a batched Defrag of a fragmented
# 200 MiB FAT32 image, ROUNDS times, each on a fresh copy: fsck.fat may at worst reclaim
# clusters or keep the first FAT, and every file must read back as it was written.
# Usage: tests/scripts/kill_during_defrag.sh TARVONEL [ROUNDS]   (default 50)
set -euo pipefail
tarvonel=$(realpath "$1")
rounds=${2:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
mkfs.fat -C -F 32 -s 4 pristine.img $((200 * 1024)) >/dev/null  # 2 KiB clusters: enough for FAT32
# Files in folders of 100; every other one removed, then larger ones written into the gaps.
files=1200
for i in $(seq 1 "$files"); do
  mkdir -p "src/d$((i / 100))"
  head -c $(( (i % 7 + 1) * 6000 )) /dev/urandom > "src/d$((i / 100))/f$i"
done
for dir in src/d*; do mmd -i pristine.img "::/$(basename "$dir")" && mcopy -i pristine.img "$dir"/f* "::/$(basename "$dir")/"; done
for i in $(seq 2 2 "$files"); do echo "::/d$((i / 100))/f$i"; rm "src/d$((i / 100))/f$i"; done | xargs mdel -i pristine.img
printf '\377\377\377\377' | dd of=pristine.img bs=1 seek=1004 conv=notrunc 2>/dev/null  # forget the free-space hint
for i in $(seq 2 2 "$files"); do head -c $(( (i % 5 + 2) * 9000 )) /dev/urandom > "src/d$((i / 100))/g$i"; done
for dir in src/d*; do mcopy -i pristine.img "$dir"/g* "::/$(basename "$dir")/"; done

cp pristine.img v.img
start=$(date +%s%N)
# Exit status 1 is a Defrag that left files in pieces: no free run held them.
status=0
"$tarvonel" --image C:=v.img -- /d >/dev/null 2>&1 || status=$?
[ "$status" -le 1 ] || { echo "kill test: the uninterrupted Defrag failed with status $status"; exit 1; }
whole=$(( $(date +%s%N) - start ))
[ "$(fsck.fat -n v.img >/dev/null; echo $?)" = 0 ] || { echo "kill test: the uninterrupted Defrag left an unsound volume"; exit 1; }

killed=0
damaged=0
for round in $(seq 1 "$rounds"); do
  cp pristine.img v.img
  "$tarvonel" --image C:=v.img -- /d >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v ns="$whole" -v r="$RANDOM" 'BEGIN { printf "%.3f", ns / 1e9 * r / 32768 }')"
  if kill -9 "$pid" 2>/dev/null; then killed=$((killed + 1)); fi
  wait "$pid" 2>/dev/null || true
  fsck.fat -n v.img > fsck.txt 2>&1 || true
  if grep -vE '^(fsck\.fat |Reclaimed |FATs differ but appear to be intact\.$|  Using first FAT\.$|Leaving filesystem unchanged\.$|.* files, .*clusters$|$)' fsck.txt; then
    echo "round $round: fsck.fat found damage"
    damaged=$((damaged + 1))
    continue
  fi
  rm -rf out && mkdir out && mcopy -s -n -i v.img '::/*' out/
  if ! diff -r src out >/dev/null; then
    echo "round $round: a file does not read back as written"
    damaged=$((damaged + 1))
  fi
done
echo "kill test: $rounds rounds ($killed killed while running; an uninterrupted Defrag takes $((whole / 1000000)) ms), $damaged damaged"
[ "$damaged" -eq 0 ]
