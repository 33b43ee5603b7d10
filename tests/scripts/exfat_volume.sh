# exFAT test volumes, written as a user's card is: mkfs.exfat, then files through the exFAT
# FUSE driver on a loop device (the kernel here has no exFAT driver). Sourced by the tests.
# Needs root, as loop devices and FUSE mounts do.

# exfat_with_mount IMAGE [ro] COMMAND...: runs COMMAND with the mounted folder as its last
# argument, then unmounts and detaches whatever happens.
exfat_with_mount() {
  local image=$1 options=rw dev dir status
  shift
  if [ "$1" = ro ]; then options=ro; shift; fi
  dev=$(losetup -f --show "$image") || return 1
  dir=$(mktemp -d "${TMPDIR:-/tmp}/exfat-mount.XXXXXX")
  if ! mount.exfat-fuse -o "$options" "$dev" "$dir" >/dev/null 2>&1; then
    losetup -d "$dev"; rmdir "$dir"; return 1
  fi
  "$@" "$dir"
  status=$?
  umount "$dir" 2>/dev/null || { sleep 1; umount "$dir"; }
  losetup -d "$dev"
  rmdir "$dir"
  return $status
}

# exfat_fragmented_card IMAGE CLUSTER_BYTES [full]: a card whose files are in pieces: small files
# in the root and in nested folders, every other one deleted and larger ones written into the
# holes (the driver allocates first fit), a large image, a long non-ASCII name over many name
# entries, an empty file; with "full", the free space filled but for a few clusters.
# EXFAT_CARD_BYTES, EXFAT_ROOT_FILES and EXFAT_SUB_FILES make it smaller.
exfat_fragmented_card() {
  local image=$1 c=$2 full=${3:-}
  local bytes=${EXFAT_CARD_BYTES:-$(( c * 2048 ))}
  [ -n "${EXFAT_CARD_BYTES:-}" ] || [ "$bytes" -ge $((64 << 20)) ] || bytes=$((64 << 20))
  rm -f "$image"
  truncate -s "$bytes" "$image"
  mkfs.exfat -c "$c" "$image" >/dev/null || return 1
  exfat_with_mount "$image" exfat_write_card_files "$c" "$full"
}

exfat_write_card_files() {
  local c=$1 full=$2 m=$3 i roots=${EXFAT_ROOT_FILES:-48} subs=${EXFAT_SUB_FILES:-30}
  mkdir -p "$m/GAMES/Sub/Deeper" "$m/Ünïcödé"
  # A first name of 31 to 45 characters (five entries) puts the set of every sixteenth file whose
  # name has 3 characters across a sector boundary where a later g file takes its place.
  head -c 100 /dev/urandom > "$m/a name of thirty-six characters.txt"
  for i in $(seq 1 "$roots"); do head -c $(( (i % 5 + 1) * c - 7 )) /dev/urandom > "$m/r$i"; done
  for i in $(seq 1 "$subs"); do head -c $(( (i % 3 + 1) * c - 3 )) /dev/urandom > "$m/GAMES/Sub/s$i.bin"; done
  for i in $(seq 2 2 "$roots"); do rm "$m/r$i"; done
  for i in $(seq 2 2 "$subs"); do rm "$m/GAMES/Sub/s$i.bin"; done
  for i in $(seq 2 2 "$roots"); do head -c $(( (i % 4 + 3) * c + 100 )) /dev/urandom > "$m/g$i"; done
  head -c $(( 60 * c + 11 )) /dev/urandom > "$m/GAMES/GAME.ISO"
  head -c $(( 25 * c + 5 )) /dev/urandom > "$m/Ünïcödé/Ein sehr langer Dateiname über viele Namenseinträge hinweg, mit Umlauten äöü und noch mehr Text.bin"
  head -c $(( 2 * c )) /dev/urandom > "$m/GAMES/Sub/Deeper/deep.dat"
  : > "$m/GAMES/empty.txt"
  if [ "$full" = full ]; then
    local free
    free=$(df -B1 --output=avail "$m" | tail -1)
    head -c $(( (free / c - 4) * c )) /dev/zero > "$m/rest" 2>/dev/null || true
  fi
  sync
}

# exfat_copy_out IMAGE DIR: every file of the volume read back through the driver into DIR.
exfat_copy_out() {
  local image=$1 out=$2
  rm -rf "$out" && mkdir -p "$out"
  exfat_with_mount "$image" ro exfat_copy_tree "$out"
}
exfat_copy_tree() { cp -r "$2/." "$1/"; }

# exfat_files_at_the_end IMAGE CLUSTER_BYTES: a file of zeros holding four fifths of the free
# space, then eight files behind a filler, the filler then deleted: files near the end with a
# gap before them, beyond the front zone the passes keep for the system, which Compact brings
# forward.
exfat_files_at_the_end() { exfat_with_mount "$1" exfat_write_files_at_the_end "$2"; }
exfat_write_files_at_the_end() {
  local c=$1 m=$2 free i
  free=$(df -B1 --output=avail "$m" | tail -1)
  head -c $(( free * 4 / 5 / c * c )) /dev/zero > "$m/keep"
  head -c $(( free / 10 / c * c )) /dev/zero > "$m/filler"
  mkdir -p "$m/tail"
  # A nearly full card takes what fits.
  for i in $(seq 1 8); do head -c $(( (i % 3 + 1) * c - 1 )) /dev/urandom > "$m/tail/t$i" 2>/dev/null || true; done
  rm "$m/filler"
  sync
}
