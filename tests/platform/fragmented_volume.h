#pragma once
#include <string>

namespace tarvonel::test {

// mkfs.fat's options and the size in KiB of a kind of FAT volume the tests make.
struct VolumeKind {
  const char* format;
  int kib;
  int sectorBytes;
  int clusterBytes;
};

inline std::string Described(const VolumeKind& kind) {
  return std::string(kind.format) + ", " + std::to_string(kind.kib) + " KiB";
}

// FAT32 allocates after its FSInfo "next free" hint; forgetting it makes the gaps fill first.
// A shell command, ended by "&& " (empty for FAT12 and FAT16).
inline std::string ForgetFreeHint(const VolumeKind& kind, const std::string& image) {
  if (std::string(kind.format).find("32") == std::string::npos) return "";
  return "printf '\\377\\377\\377\\377' | dd of=" + image + " bs=1 seek=" + std::to_string(kind.sectorBytes + 492) +
         " conv=notrunc 2>/dev/null && ";
}

// A shell command that makes `image`: six files of five clusters with the second and fourth
// deleted, then "Große Datei.dat" of eighteen written into their gaps and beyond (so it is
// fragmented), and a small a/b/x.txt. The last cluster of each file is partly used.
inline std::string FragmentedVolume(const VolumeKind& kind, const std::string& image) {
  const std::string small = std::to_string(5 * kind.clusterBytes - 60);
  const std::string large = std::to_string(18 * kind.clusterBytes - 216);
  const std::string forgetHint = ForgetFreeHint(kind, image);
  return "mkfs.fat -C " + std::string(kind.format) + " " + image + " " + std::to_string(kind.kib) +
         " >/dev/null && for i in 1 2 3 4 5 6; do head -c " + small + " /dev/urandom > S$i; mcopy -i " + image +
         " S$i ::/S$i.BIN; done && mdel -i " + image + " ::/S2.BIN ::/S4.BIN && " + forgetHint + "head -c " + large +
         " /dev/urandom > big && mcopy -i " + image + " big '::/Große Datei.dat' && mmd -i " + image +
         " ::/a ::/a/b && head -c 700 /dev/urandom > x && mcopy -i " + image + " x ::/a/b/x.txt";
}

// A shell command that prints "damaged NAME" for each file of FragmentedVolume that `image`
// no longer holds byte for byte.
inline std::string FragmentedVolumeDamage(const std::string& image) {
  return "for f in S1 S3 S5 S6; do mcopy -i " + image + " ::/$f.BIN - | cmp -s - $f || echo \"damaged $f\"; done; "
         "mcopy -i " + image + " '::/Große Datei.dat' - | cmp -s - big || echo 'damaged big'; "
         "mcopy -i " + image + " ::/a/b/x.txt - | cmp -s - x || echo 'damaged x'";
}

}  // namespace tarvonel::test
