#!/usr/bin/env bash
# The Linux tool on exFAT cards written through the exFAT FUSE driver, with 4, 32 and 128 KiB
# clusters, nested and non-ASCII names, a long name over many name entries, an empty file,
# entry sets across sector boundaries, and a nearly full card: the analysis agrees with an
# independent reading of the chains and bitmap (exfat_reference.py); defrag, optimize, compact
# and contig leave fsck.exfat -n clean, no problem in that reading, and every file's bytes as
# they were, read back through the driver; broken and dirty volumes are refused by name.
# Usage: tests/scripts/exfat_tool.sh PROGRAM   (as root: loop devices and FUSE mounts)
set -uo pipefail
tarvonel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvonel-exfat.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export LC_ALL=C.UTF-8
. "$here/exfat_volume.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
reference() { python3 "$here/exfat_reference.py" "$1"; }
# The reading's problems, one per line; empty for a sound volume.
problems() { reference "$1" | python3 -c 'import json,sys; print("\n".join(json.load(sys.stdin)["problems"]))'; }
sums() { reference "$1" | python3 -c 'import json,sys; f = json.load(sys.stdin)["files"]; print("\n".join(p + " " + f[p]["sha1"] for p in sorted(f)))'; }

# sound IMAGE WHAT: fsck.exfat clean, the independent reading finds nothing, every file's
# contents as on the pristine card, and as read back through the driver.
sound() {
  local image=$1 what=$2
  fsck.exfat -n "$image" > fsck.txt 2>&1 || fail "$what: fsck.exfat -n: $(tail -3 fsck.txt | tr '\n' ' ')"
  grep -q ': clean\.' fsck.txt || fail "$what: fsck.exfat did not say clean: $(tail -2 fsck.txt | tr '\n' ' ')"
  local found
  found=$(problems "$image")
  [ -z "$found" ] || fail "$what: $found"
  [ "$(sums "$image")" = "$(cat pristine.sums)" ] || fail "$what: the files' contents differ"
  exfat_copy_out "$image" back || fail "$what: the card could not be mounted"
  diff -r src back >/dev/null || fail "$what: the files read back through the driver differ"
}

for c in 4096 32768 131072; do
  for kind in "" full; do
    what="$((c / 1024)) KiB clusters${kind:+, nearly full}"
    exfat_fragmented_card pristine.img "$c" "$kind" || { fail "$what: the card could not be made"; continue; }
    exfat_copy_out pristine.img src || { fail "$what: the card could not be read back"; continue; }
    sums pristine.img > pristine.sums
    reference pristine.img > reference.json
    [ -z "$(problems pristine.img)" ] || fail "$what: the pristine card: $(problems pristine.img)"
    # The card is really in pieces, and some fragmented file's set lies across a sector boundary.
    python3 - reference.json <<'PY' || fail "$what: the card is not what the test needs"
import json, sys
files = json.load(open(sys.argv[1]))["files"]
pieces = [p for p, f in files.items() if len(f["ranges"]) > 1]
assert len(pieces) >= 5, pieces
assert any(f["straddles"] for f in files.values()), "no set across a sector boundary"
PY
    # analyze agrees with the independent reading: the files, which are in pieces, and their clusters.
    "$tarvonel" analyze pristine.img --json > analyze.json 2>err.txt || fail "$what: analyze: $(cat err.txt)"
    python3 - analyze.json reference.json <<'PY' || fail "$what: analyze disagrees with the independent reading"
import json, sys
report, files = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))["files"]
theirs = {f["path"]: f["clusters"] for f in report["fragmented"] if not f["directory"]}
ours = {p: f["ranges"] for p, f in files.items() if len(f["ranges"]) > 1}
assert theirs == ours, (sorted(theirs), sorted(ours))
assert report["counts"]["files"] == len(files), (report["counts"], len(files))
PY
    # compact brings forward files that lie behind a gap (on what defrag left).
    for pass in defrag optimize compact; do
      if [ "$pass" = compact ]; then
        cp --sparse=always defragged.img v.img
        exfat_files_at_the_end v.img "$c" && exfat_copy_out v.img src && sums v.img > pristine.sums
      else
        cp --sparse=always pristine.img v.img
      fi
      "$tarvonel" "$pass" v.img --quiet > out.txt 2>err.txt
      status=$?
      [ "$status" -le 1 ] || fail "$what: $pass exited $status: $(tail -2 err.txt out.txt | tr '\n' ' ')"
      # A nearly full card may have no room to bring anything forward.
      [ "$pass$kind" = compactfull ] || grep -q "^$pass: [1-9][0-9]* moves" out.txt || fail "$what: $pass moved nothing: $(tail -3 out.txt | tr '\n' ' ')"
      sound v.img "$what, $pass"
      [ "$pass" = defrag ] && cp --sparse=always v.img defragged.img
    done
    exfat_copy_out pristine.img src && sums pristine.img > pristine.sums
    cp --sparse=always pristine.img v.img
    game=/GAMES/GAME.ISO
    "$tarvonel" contig v.img "$game" --quiet > out.txt 2>err.txt || fail "$what: contig exited $?: $(cat err.txt)"
    [ "$(reference v.img | python3 -c "import json,sys; print(len(json.load(sys.stdin)['files']['$game']['ranges']))")" = 1 ] ||
      fail "$what: contig left $game in pieces"
    sound v.img "$what, contig"
  done
done

# contig of a large file written into the holes of a card with hundreds of files: some of the
# files in its way have sets the volume will not change in place, and are planned around.
EXFAT_CARD_BYTES=$((64 << 20)) EXFAT_ROOT_FILES=300 EXFAT_SUB_FILES=300 exfat_fragmented_card pristine.img 16384
write_big() { rm -f "$1"/GAMES/Sub/s*.bin; head -c $((12 << 20)) /dev/urandom > "$1/BIG.ISO"; }
exfat_with_mount pristine.img write_big || fail "the large file could not be written"
exfat_copy_out pristine.img src && sums pristine.img > pristine.sums
cp --sparse=always pristine.img v.img
"$tarvonel" contig v.img /BIG.ISO --quiet > out.txt 2>err.txt || fail "contig among many files exited $?: $(cat out.txt err.txt)"
[ "$(reference v.img | python3 -c "import json,sys; print(len(json.load(sys.stdin)['files']['/BIG.ISO']['ranges']))")" = 1 ] ||
  fail "contig among many files left /BIG.ISO in pieces"
sound v.img "contig among many files"

# Refusals, each naming the problem, with nothing written.
exfat_fragmented_card pristine.img 4096
refused() {  # refused IMAGE WHAT EXPECTED-TEXT
  local before
  before=$(sha1sum < "$1")
  "$tarvonel" defrag "$1" > out.txt 2>err.txt
  local status=$?
  [ "$status" -eq 2 ] || fail "$2: defrag exited $status, not 2"
  grep -q "$3" err.txt || fail "$2: the refusal does not say '$3': $(cat err.txt)"
  [ "$(sha1sum < "$1")" = "$before" ] || fail "$2: the volume was written"
}
cp pristine.img dirty.img
printf '\002' | dd of=dirty.img bs=1 seek=106 conv=notrunc 2>/dev/null  # VolumeDirty (outside the checksum)
refused dirty.img "a dirty volume" "repair it with fsck.exfat -y first"
"$tarvonel" analyze dirty.img > out.txt 2>&1 || fail "a dirty volume is still analysed: $(cat out.txt)"
cp pristine.img sum.img
printf 'X' | dd of=sum.img bs=1 seek=100 conv=notrunc 2>/dev/null  # the serial number, inside the checksum
refused sum.img "a bad boot checksum" "the main boot region's checksum does not match"
cp pristine.img backup.img
printf 'Y' | dd of=backup.img bs=1 seek=$((12 * 512 + 400)) conv=notrunc 2>/dev/null  # boot code, inside the checksum
python3 - backup.img <<'PY'
import struct, sys
f = open(sys.argv[1], "r+b"); f.seek(12 * 512); region = bytearray(f.read(12 * 512))
total = 0
for i, b in enumerate(region[:11 * 512]):
    if i not in (106, 107, 112): total = ((0x80000000 if total & 1 else 0) + (total >> 1) + b) & 0xFFFFFFFF
f.seek(23 * 512); f.write(struct.pack("<I", total) * 128)
PY
[ "$(problems backup.img)" = "the main and backup boot regions differ" ] || fail "the test's backup region: $(problems backup.img)"
refused backup.img "differing boot regions" "the main and backup boot regions differ"
# A set whose checksum fails: a byte of a file's name changed.
cp pristine.img set.img
at=$(python3 - pristine.img <<'PY'
import struct, sys
f = open(sys.argv[1], "rb"); boot = f.read(512)
sector, heap = 1 << boot[108], struct.unpack_from("<I", boot, 88)[0]
root = struct.unpack_from("<I", boot, 96)[0]
start = heap * sector + (root - 2) * (sector << boot[109])
f.seek(start); raw = f.read(4096)
print(start + next(i for i in range(0, 4096, 32) if raw[i] == 0xC1) + 2)
PY
)
printf 'Q' | dd of=set.img bs=1 seek="$at" conv=notrunc 2>/dev/null
refused set.img "a bad set checksum" "has a bad checksum"

if [ "$failures" -eq 0 ]; then echo "exfat tool: all checks passed"; else echo "exfat tool: $failures failures"; exit 1; fi
