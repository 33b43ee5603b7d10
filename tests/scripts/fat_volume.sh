# FAT test volumes as the benchmarks make them. Sourced.
# fat_fragmented_card IMAGE SIZE_MIB FILES: a FAT32 image (4 KiB clusters) of small files in
# folders of 100; every other one deleted and larger ones written into the gaps, so that most of
# them are in pieces. Writes its source files into a folder beside IMAGE.
fat_fragmented_card() {
  local img=$1 size=$2 files=$3 src i dir
  src=$(mktemp -d "$(dirname "$img")/fat-src.XXXXXX")
  export MTOOLS_SKIP_CHECK=1
  rm -f "$img"
  mkfs.fat -C -F 32 -s 8 -i 7a12c0de "$img" $((size * 1024)) >/dev/null || return 1
  for i in $(seq 1 "$files"); do
    dir="$src/d$((i / 100))"
    mkdir -p "$dir"
    head -c $(( (i % 7 + 1) * 6000 )) /dev/urandom > "$dir/f$i"
  done
  for dir in "$src"/d*; do mmd -i "$img" "::/$(basename "$dir")" && mcopy -i "$img" "$dir"/f* "::/$(basename "$dir")/" || return 1; done
  for i in $(seq 2 2 "$files"); do echo "::/d$((i / 100))/f$i"; done | xargs mdel -i "$img" || return 1
  # FSInfo's next-free hint unknown: mtools fills the gaps from the front.
  printf '\377\377\377\377' | dd of="$img" bs=1 seek=1004 conv=notrunc 2>/dev/null
  for i in $(seq 2 2 "$files"); do head -c $(( (i % 5 + 2) * 9000 )) /dev/urandom > "$src/d$((i / 100))/g$i"; done
  for dir in "$src"/d*; do mcopy -i "$img" "$dir"/g* "::/$(basename "$dir")/" || return 1; done
  rm -rf "$src"
}

# fat_files_at_the_end IMAGE: zeros over four fifths of the free space, then eight files behind
# a filler, the filler then deleted: files near the end with a gap before them, beyond the front
# zone the passes keep for the system, which Compact brings forward.
fat_files_at_the_end() {
  local img=$1 free c i src
  export MTOOLS_SKIP_CHECK=1
  src=$(mktemp -d "$(dirname "$img")/fat-tail.XXXXXX")
  c=$(( $(od -An -tu2 -j11 -N2 "$img") * $(od -An -tu1 -j13 -N1 "$img") ))
  free=$(mdir -i "$img" ::/ | awk '/bytes free/ { gsub(/[^0-9]/, ""); print }')
  head -c $(( free * 4 / 5 / c * c )) /dev/zero > "$src/keep"
  head -c $(( free / 10 / c * c )) /dev/zero > "$src/filler"
  mcopy -i "$img" "$src/keep" "$src/filler" ::/ || return 1
  mmd -i "$img" ::/tail || return 1
  for i in $(seq 1 8); do head -c $(( (i % 3 + 1) * c - 1 )) /dev/urandom > "$src/t$i"; mcopy -i "$img" "$src/t$i" ::/tail/ || return 1; done
  mdel -i "$img" ::/filler
  rm -rf "$src"
}
