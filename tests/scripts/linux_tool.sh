#!/usr/bin/env bash
# The Linux tool as its users run it, on FAT images made by mkfs.fat and mtools: frag against
# mshowfat, the JSON report against the engine's own analysis, contig on a card whose free
# space is all in 1 MiB holes, its refusal when the volume cannot hold the file, every exit
# status, Ctrl-C, and the progress line on a terminal.
# Usage: tests/scripts/linux_tool.sh PROGRAM
set -uo pipefail
tarvonel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvonel-tool.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect_status() {  # expect_status WANT DESCRIPTION -- COMMAND...
  local want=$1 what=$2; shift 3
  "$@" >out.txt 2>err.txt
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit status $got, not $want ($(tail -2 err.txt | tr '\n' ' '))"
}
# Every file of the card, read back through mtools and compared with what was written.
files_intact() {
  local image=$1 name
  rm -rf back && mkdir -p back/GAMES
  mcopy -n -s -i "$image" '::/*' back/ 2>/dev/null
  for name in src/*.bin; do cmp -s "$name" "back/$(basename "$name")" || { echo "damaged $name"; return 1; }; done
  cmp -s src/GAME.ISO back/GAMES/GAME.ISO || { echo "damaged GAME.ISO"; return 1; }
  cmp -s src/Über.txt "back/GAMES/Über.txt" || { echo "damaged Über.txt"; return 1; }
}
mshowfat_ranges() { mshowfat -i "$1" "::$2" | sed 's/^[^<]*//; s/[<>]//g'; }

# A 64 MiB card of 4 KiB clusters: 58 files of 1 MiB, every other one deleted, then a 20 MB
# game image written into the 1 MiB holes and a small file with a non-ASCII name beside it.
mkdir src
mkfs.fat -C -F 16 -s 8 card.img 65536 >/dev/null
for i in $(seq 1 58); do head -c 1048576 /dev/urandom > src/f$i.bin; done
mcopy -i card.img src/f*.bin ::/
for i in $(seq 2 2 58); do mdel -i card.img ::/f$i.bin; rm src/f$i.bin; done
mmd -i card.img ::/GAMES
head -c 20000000 /dev/urandom > src/GAME.ISO
mcopy -i card.img src/GAME.ISO ::/GAMES/GAME.ISO
head -c 5000 /dev/urandom > src/Über.txt
mcopy -i card.img src/Über.txt "::/GAMES/Über.txt"
pieces=$(mshowfat_ranges card.img /GAMES/GAME.ISO | wc -w)
[ "$pieces" -ge 15 ] || fail "the game image is in $pieces pieces, the card was not fragmented"

# frag names the same cluster ranges as mshowfat, whatever the case of the path.
expect_status 0 "frag" -- "$tarvonel" frag card.img /games/game.iso --json
python3 -c 'import json,sys; f = json.load(open("out.txt"))["files"][0]; print(" ".join("%d-%d" % tuple(r) for r in f["clusters"]))' > frag.txt
[ "$(cat frag.txt)" = "$(mshowfat_ranges card.img /GAMES/GAME.ISO | xargs)" ] || fail "frag: $(cat frag.txt) against mshowfat $(mshowfat_ranges card.img /GAMES/GAME.ISO)"
expect_status 0 "frag in text" -- "$tarvonel" frag card.img /GAMES/GAME.ISO
grep -q "^/GAMES/GAME.ISO: $pieces pieces, 20000000 bytes" out.txt || fail "frag's text: $(head -1 out.txt)"

# The JSON report parses, and its counts are the engine's analysis (the Windows program's).
expect_status 0 "analyze --json" -- "$tarvonel" analyze card.img --json --map map.png
python3 -c 'import json; c = json.load(open("out.txt"))["counts"]; print("files: %d dirs: %d fragmented: %d fragments: %d" % (c["files"], c["directories"], c["fragmented_files"], c["fragments"]))' > json_counts.txt
"$tarvonel" --image C:=card.img --analyze 2>/dev/null | sed -n 's/^  \(files\|dirs\|fragmented\|fragments\): /\1: /p' | xargs > engine_counts.txt
[ "$(cat json_counts.txt)" = "$(cat engine_counts.txt)" ] || fail "JSON counts '$(cat json_counts.txt)', the analysis '$(cat engine_counts.txt)'"
[ "$(od -An -c -j1 -N3 map.png | tr -d ' ')" = "PNG" ] || fail "--map wrote no PNG"
[ "$(od -An -tu1 -j16 -N4 map.png | xargs)" = "0 0 4 192" ] || fail "the map is not 1216 pixels wide"

# defrag cannot place the game image (no free run holds it): it says so and exits 1.
cp card.img defrag.img
expect_status 1 "defrag leaving a file in pieces" -- "$tarvonel" defrag defrag.img --quiet
grep -q "still in pieces" out.txt || fail "defrag did not say what it left in pieces"
fsck.fat -n defrag.img >/dev/null || fail "fsck after defrag"
files_intact defrag.img || fail "defrag damaged a file"

# contig makes it contiguous: one range in mshowfat, fsck clean, every file intact.
cp card.img contig.img
expect_status 0 "contig" -- "$tarvonel" contig contig.img /GAMES/GAME.ISO
[ "$(mshowfat_ranges contig.img /GAMES/GAME.ISO | wc -w)" -eq 1 ] || fail "contig left $(mshowfat_ranges contig.img /GAMES/GAME.ISO)"
grep -q "contiguous at clusters" out.txt || fail "contig's report: $(cat out.txt)"
fsck.fat -n contig.img >/dev/null || fail "fsck after contig"
files_intact contig.img || fail "contig damaged a file"
expect_status 0 "contig of a file in one piece" -- "$tarvonel" contig contig.img /GAMES/GAME.ISO
grep -q "already in one piece" out.txt || fail "contig again: $(cat out.txt)"

# With the free space filled, no window can be cleared: refused before anything is written.
cp card.img full.img
free=$(mdir -i full.img ::/ | awk '/bytes free/ { gsub(/[^0-9]/, ""); print }')
head -c "$free" /dev/zero > filler && mcopy -i full.img filler ::/FILLER
before=$(sha256sum < full.img)
expect_status 1 "contig on a full volume" -- "$tarvonel" contig full.img /GAMES/GAME.ISO
grep -q "cannot be made contiguous.*nothing was moved" out.txt || fail "contig on a full volume: $(cat out.txt)"
[ "$(sha256sum < full.img)" = "$before" ] || fail "contig wrote to a volume it refused"

# Exit status 2: bad usage, a path not on the volume, another file system, a dirty volume.
expect_status 2 "no volume" -- "$tarvonel" defrag
expect_status 2 "an unknown option" -- "$tarvonel" analyze card.img --bogus
expect_status 2 "a path not on the volume" -- "$tarvonel" frag card.img /NOPE.BIN
expect_status 2 "a missing image" -- "$tarvonel" analyze no-such.img
truncate -s 8M ex.img && mkfs.exfat ex.img >/dev/null
expect_status 0 "an exFAT volume" -- "$tarvonel" analyze ex.img
grep -q "ex.img: exFAT, " out.txt || fail "the exFAT analysis: $(cat out.txt err.txt)"
cp card.img dirty.img
fat=$(( $(od -An -tu2 -j14 -N2 dirty.img) * 512 )); fatsize=$(( $(od -An -tu2 -j22 -N2 dirty.img) * 512 ))
for at in $((fat + 3)) $((fat + fatsize + 3)); do printf '\177' | dd of=dirty.img bs=1 seek=$at conv=notrunc 2>/dev/null; done
before=$(sha256sum < dirty.img)
expect_status 2 "a dirty volume" -- "$tarvonel" defrag dirty.img
grep -q "fsck.fat -a" err.txt || fail "the dirty refusal names no repair: $(cat err.txt)"
expect_status 2 "contig on a dirty volume" -- "$tarvonel" contig dirty.img /GAMES/GAME.ISO
[ "$(sha256sum < dirty.img)" = "$before" ] || fail "a job wrote to a dirty volume"
expect_status 0 "analysis of a dirty volume" -- "$tarvonel" analyze dirty.img

# Ctrl-C during contig, every barrier slowed down: status 130, how far it got, nothing lost.
cc -shared -fPIC -O2 -o slow.so "$here/../../bench/slow_barrier.c" -ldl
cp card.img stop.img
# A sanitizer build wants its runtime first among the preloaded libraries: let the shim go first.
ASAN_OPTIONS=verify_asan_link_order=0 SLOW_BARRIER_MS=250 LD_PRELOAD="$work/slow.so" \
  "$tarvonel" contig stop.img /GAMES/GAME.ISO >out.txt 2>err.txt &
runner=$!
sleep 1.5
kill -INT $runner
wait $runner
status=$?
[ $status -eq 130 ] || fail "Ctrl-C: exit status $status, not 130 ($(tail -2 err.txt | tr '\n' ' '))"
grep -q "interrupted after [1-9][0-9]* moves" out.txt || fail "Ctrl-C: $(cat out.txt)"
fsck.fat -n stop.img >/dev/null || fail "fsck after Ctrl-C"
files_intact stop.img || fail "Ctrl-C damaged a file"

# Ctrl-C and SIGTERM during a defrag of a card with hundreds of fragmented files, every barrier
# slowed down: the pass stops after the move in hand and says so in the tool's own words (no
# Windows program's box or drive letter), 130 and 143, nothing lost.
. "$here/fat_volume.sh"
fat_fragmented_card many.img 512 1000 || fail "the fragmented card could not be made"
for signal in INT TERM; do
  cp --sparse=always many.img signal.img
  ASAN_OPTIONS=verify_asan_link_order=0 SLOW_BARRIER_MS=300 LD_PRELOAD="$work/slow.so" \
    "$tarvonel" defrag signal.img >out.txt 2>err.txt &
  runner=$!
  sleep 1
  kill -$signal $runner
  wait $runner
  status=$?
  if [ $signal = INT ]; then want=130 word=interrupted said="stopped by Ctrl-C"; else want=143 word=terminated said=terminated; fi
  [ $status -eq $want ] || fail "SIG$signal during defrag: exit status $status, not $want ($(tail -2 err.txt | tr '\n' ' '))"
  grep -q "^tarvonel: $word; the pass stops after the move it is making" err.txt || fail "SIG$signal: $(cat err.txt)"
  grep -q "^defrag was $said; every file is whole" out.txt || fail "SIG$signal: $(cat out.txt)"
  grep -q "defragmenting: " err.txt || fail "SIG$signal: no progress in the tool's words: $(head -3 err.txt)"
  ! grep -qE 'Paused|Are you sure|C:\\|Volume C|Optimzing' out.txt err.txt || fail "SIG$signal: the Windows program's texts: $(grep -hE 'Paused|Are you sure|C:|Volume' out.txt err.txt | head -3)"
  fsck.fat -n signal.img >/dev/null || fail "fsck after SIG$signal"
done

# On a terminal the progress is one line rewritten in place.
cp card.img tty.img
script -qec "'$tarvonel' contig tty.img /GAMES/GAME.ISO" /dev/null > tty.txt
grep -q $'\r\033\[Kcontig: ' tty.txt || fail "no updating progress line on a terminal"
grep -q "MiB moved" tty.txt || fail "the progress line says nothing of what moved"

expect_status 0 "--version" -- "$tarvonel" --version
grep -q "^tarvonel [0-9]" out.txt || fail "--version: $(cat out.txt)"
expect_status 0 "--help" -- "$tarvonel" --help
grep -q "contig   VOLUME PATH" out.txt || fail "--help lists no contig"

if [ $failures -eq 0 ]; then echo "linux tool: all checks passed"; else echo "linux tool: $failures failed"; exit 1; fi
