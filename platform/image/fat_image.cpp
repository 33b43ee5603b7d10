#include "platform/image/fat_image.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "base/text_encoding.h"
#include "platform/boot_sector_fields.h"
#include "platform/image/medium.h"

namespace tarvonel::fat {
namespace {

constexpr size_t kDirEntryBytes = 32;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kAttrVolumeLabel = 0x08;
constexpr int kMaxDepth = 1000;
constexpr uint64_t kMaxDirectoryBytes = 65536 * kDirEntryBytes;  // the most entries a FAT directory may hold

uint32_t U16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// The 8.3 name with the lower-case flags Windows NT writes; bytes above 127 as Latin-1.
std::string ShortName(const uint8_t* entry) {
  auto part = [&](size_t from, size_t length, bool lower) {
    std::vector<uint8_t> units;  // UTF-16 LE
    for (size_t i = from; i < from + length; ++i) {
      uint8_t c = entry[i];
      if (i == 0 && c == 0x05) c = 0xE5;  // 0x05 stands for a leading 0xE5
      if (lower) c = static_cast<uint8_t>(AsciiLower(static_cast<char>(c)));
      units.push_back(c);
      units.push_back(0);
    }
    std::string text = Utf16LeToUtf8(units.data(), units.size() / 2);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  };
  const std::string base = part(0, 8, (entry[12] & 0x08) != 0);
  const std::string extension = part(8, 3, (entry[12] & 0x10) != 0);
  return extension.empty() ? base : base + "." + extension;
}

uint8_t ShortNameChecksum(const uint8_t* entry) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[i]);
  return sum;
}

// Long-name slots seen so far for the short entry that follows them.
struct LongName {
  std::vector<std::vector<uint8_t>> pieces;  // by ordinal - 1, UTF-16 LE
  int expected = 0;                            // slots the name has; 0: none pending
  uint8_t checksum = 0;

  void Reset() {
    pieces.clear();
    expected = 0;
  }
  void Add(const uint8_t* slot) {
    const int ordinal = slot[0] & 0x1F;
    if ((slot[0] & 0x40) != 0) {
      Reset();
      expected = ordinal;
      checksum = slot[13];
      pieces.assign(static_cast<size_t>(ordinal), {});
    }
    if (expected == 0 || ordinal < 1 || ordinal > expected || slot[13] != checksum) {
      Reset();
      return;
    }
    std::vector<uint8_t> units;
    for (size_t at : {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30}) units.insert(units.end(), slot + at, slot + at + 2);
    pieces[static_cast<size_t>(ordinal - 1)] = units;
  }
  // The name for `entry`, or empty when the slots do not belong to it.
  std::string For(const uint8_t* entry) const {
    if (expected == 0 || checksum != ShortNameChecksum(entry)) return {};
    std::vector<uint8_t> units;
    for (const auto& piece : pieces) {
      if (piece.empty()) return {};
      units.insert(units.end(), piece.begin(), piece.end());
    }
    size_t length = 0;  // up to the terminating NUL
    while (length < units.size() / 2 && (units[2 * length] | units[2 * length + 1]) != 0) ++length;
    return Utf16LeToUtf8(units.data(), length);
  }
};

// The FAT entry of `cluster` in the FAT bytes `fat`.
uint32_t EntryIn(const uint8_t* fat, FatType type, uint32_t cluster) {
  switch (type) {
    case FatType::Fat12: {
      const uint32_t pair = U16(fat + cluster + cluster / 2);
      return (cluster & 1) != 0 ? pair >> 4 : pair & 0xFFF;
    }
    case FatType::Fat16: return U16(fat + 2 * size_t{cluster});
    case FatType::Fat32: return U32(fat + 4 * size_t{cluster}) & 0x0FFFFFFF;
  }
  return 0;
}

}  // namespace

FatImage::FatImage(std::shared_ptr<const Medium> medium) : medium_(std::move(medium)), path_(medium_->Path()) {}

std::unique_ptr<FatImage> FatImage::Open(const std::string& path) { return Open(Medium::Open(path, Medium::Hold::Shared)); }

std::unique_ptr<FatImage> FatImage::Open(std::shared_ptr<const Medium> medium) {
  std::unique_ptr<FatImage> image(new FatImage(std::move(medium)));
  image->RefuseOtherFileSystems();
  image->ReadLayout();
  image->ReadFat();
  image->root_.attributes = 0x10;
  image->root_.firstCluster = image->layout_.type == FatType::Fat32 ? image->layout_.rootCluster : 0;
  if (image->layout_.type == FatType::Fat32) image->root_.chain = image->Chain(image->layout_.rootCluster, "the root directory");
  image->ReadDirectory(image->root_, 0);
  image->CheckCopiesAgree();  // after the chains, whose problems are named more precisely
  image->CountLostClusters();
  return image;
}

void FatImage::Fail(const std::string& problem) const { throw ImageError(path_ + ": " + problem); }

bool FatImage::Read(uint64_t offset, void* buffer, size_t length) { return medium_->Read(offset, buffer, length); }

// Another file system's signature names it, where the FAT fields it lacks would only puzzle.
void FatImage::RefuseOtherFileSystems() {
  std::vector<uint8_t> start(2048, 0);
  const size_t have = static_cast<size_t>(std::min<uint64_t>(start.size(), medium_->Size()));
  if (!Read(0, start.data(), have)) Fail("cannot be read");
  auto at = [&](size_t offset, std::string_view text) {
    return offset + text.size() <= have &&
           std::memcmp(text.data(), start.data() + offset, text.size()) == 0;  // bytes, not signed chars
  };
  const std::string notFat = ", not a FAT12, FAT16 or FAT32 volume";
  if (at(3, "EXFAT   ")) Fail("is an exFAT volume" + notFat);
  if (at(3, "NTFS    ")) Fail("is an NTFS volume" + notFat);
  if (at(1080, "\x53\xEF")) Fail("is an ext2/3/4 volume" + notFat);
  if (have < 512) Fail("too short for a boot sector");
}

std::string FatImage::Label() const {
  const size_t field = layout_.type == FatType::Fat32 ? boot_field::kFat32VolumeLabel : boot_field::kFat16VolumeLabel;
  // Bytes above 127 as Latin-1, as in short names: the label is text the machine shows, and
  // raw bytes of the card's code page are no UTF-8 (found by fuzzing: writing them out threw).
  std::vector<uint8_t> units;  // UTF-16 LE
  for (size_t i = field; i < field + boot_field::kVolumeLabelLength; ++i) {
    units.push_back(bootSector_[i]);
    units.push_back(0);
  }
  std::string label = Utf16LeToUtf8(units.data(), units.size() / 2);
  while (!label.empty() && label.back() == ' ') label.pop_back();
  return label == "NO NAME" ? std::string() : label;
}

void FatImage::CountLostClusters() {
  const uint32_t bad = EndOfChain() - 1;
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    const uint32_t next = Next(cluster);
    if (next != 0 && next != bad && owner_[cluster] == 0) ++lostClusters_;
  }
}

void FatImage::ReadLayout() {
  bootSector_.assign(512, 0);
  if (!Read(0, bootSector_.data(), bootSector_.size())) Fail("too short for a boot sector");
  const uint64_t mediumBytes = medium_->Size();
  using namespace boot_field;
  const uint8_t* b = bootSector_.data();
  Layout& l = layout_;
  l.bytesPerSector = U16(b + kBytesPerSector);
  if (l.bytesPerSector != 512 && l.bytesPerSector != 1024 && l.bytesPerSector != 2048 && l.bytesPerSector != 4096) {
    Fail("the boot sector's bytes per sector (" + std::to_string(l.bytesPerSector) + ") is not 512, 1024, 2048 or 4096");
  }
  if (b[kSignature] != 0x55 || b[kSignature + 1] != 0xAA) Fail("the boot sector has no 55 AA signature");
  l.sectorsPerCluster = b[kSectorsPerCluster];
  if (!PowerOfTwo(l.sectorsPerCluster)) Fail("the sectors per cluster is not a power of two");
  const uint32_t reserved = U16(b + kReservedSectors);
  if (reserved == 0) Fail("the boot sector reserves no sectors");
  l.numFats = b[kNumberOfFats];
  if (l.numFats != 1 && l.numFats != 2) Fail("the volume has " + std::to_string(l.numFats) + " FATs, not 1 or 2");
  l.rootEntries = U16(b + kRootEntries);
  l.totalSectors = U16(b + kTotalSectors16) != 0 ? U16(b + kTotalSectors16) : U32(b + kTotalSectors32);
  const uint32_t fatSectors16 = U16(b + kFatSectors16);
  const bool fat32 = fatSectors16 == 0;
  const uint64_t fatSectors = fat32 ? U32(b + kFat32FatSectors) : fatSectors16;
  if (fatSectors == 0) Fail("the FAT has no sectors");
  if (fat32 && l.rootEntries != 0) Fail("a FAT32 boot sector declares a fixed root directory");
  if (fat32 && (U16(b + kFat32ExtFlags) & 0x80) != 0) Fail("the FAT32 copies are not mirrored (active-FAT mode is not handled)");
  l.fatBytes = fatSectors * l.bytesPerSector;
  l.fatOffset = uint64_t{reserved} * l.bytesPerSector;
  l.rootOffset = l.fatOffset + l.numFats * l.fatBytes;
  const uint64_t rootBytes = uint64_t{l.rootEntries} * kDirEntryBytes;
  if (rootBytes % l.bytesPerSector != 0) Fail("the root directory does not fill whole sectors");
  l.dataOffset = l.rootOffset + rootBytes;
  const uint64_t volumeBytes = l.totalSectors * l.bytesPerSector;
  if (volumeBytes <= l.dataOffset) Fail("the volume ends before its data area");
  if (volumeBytes > mediumBytes) Fail("the image is shorter than the volume its boot sector declares");
  const uint64_t clusters = (volumeBytes - l.dataOffset) / l.ClusterBytes();
  if (clusters == 0 || clusters > 0x0FFFFFF5) Fail("the volume has no usable number of clusters");
  l.dataClusters = static_cast<uint32_t>(clusters);
  l.type = fat32 ? FatType::Fat32 : (clusters < 4085 ? FatType::Fat12 : FatType::Fat16);
  if (!fat32 && clusters >= 65525) Fail("a FAT16 layout with " + std::to_string(clusters) + " clusters");
  const uint64_t entryBits = l.type == FatType::Fat12 ? 12 : l.type == FatType::Fat16 ? 16 : 32;
  if (((uint64_t{l.dataClusters} + 2) * entryBits + 7) / 8 > l.fatBytes) Fail("the FAT is too small for the volume");
  if (fat32) {
    l.rootCluster = U32(b + kFat32RootCluster);
    if (l.rootCluster < 2 || l.rootCluster > l.dataClusters + 1) Fail("the root directory's cluster is outside the volume");
  }
  l.dirty = (b[fat32 ? kFat32Flags : kFat16Flags] & 0x01) != 0;
}

void FatImage::ReadFat() {
  fat_.assign(static_cast<size_t>(layout_.fatBytes), 0);
  if (!Read(layout_.fatOffset, fat_.data(), fat_.size())) Fail("the FAT cannot be read");
  // The clean-shutdown bit in FAT[1] (FAT16 and FAT32) is clear on a volume in use.
  if (layout_.type == FatType::Fat16 && (Next(1) & 0x8000) == 0) layout_.dirty = true;
  if (layout_.type == FatType::Fat32 && (Next(1) & 0x08000000) == 0) layout_.dirty = true;
  owner_.assign(size_t{layout_.dataClusters} + 2, 0);
  usedBits_.assign((size_t{layout_.dataClusters} + 7) / 8, 0);
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) NoteUse(cluster, InUse(cluster));
}

void FatImage::NoteUse(uint32_t cluster, bool used) {
  const uint32_t lcn = cluster - 2;
  uint8_t& byte = usedBits_[lcn / 8];
  const auto bit = static_cast<uint8_t>(1u << (lcn % 8));
  if (((byte & bit) != 0) == used) return;
  byte = static_cast<uint8_t>(byte ^ bit);
  usedClusters_ = used ? usedClusters_ + 1 : usedClusters_ - 1;
}

void FatImage::CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const {
  const auto first = static_cast<size_t>(startLcn / 8);
  const auto bytes = static_cast<size_t>((count + 7) / 8);
  const size_t available = first < usedBits_.size() ? std::min(bytes, usedBits_.size() - first) : 0;
  std::memcpy(out, usedBits_.data() + first, available);
  std::memset(out + available, 0, bytes - available);
  // Bits past `count` in the last byte, and past the volume's end, read as free.
  if (count % 8 != 0) out[bytes - 1] &= static_cast<uint8_t>((1u << (count % 8)) - 1);
}

uint32_t FatImage::Next(uint32_t cluster) const { return EntryIn(fat_.data(), layout_.type, cluster); }

// A second copy that disagrees with the first is a volume left part-way through an update, or
// damaged: which copy is right is for a check to decide, and a move would write over the
// difference.
void FatImage::CheckCopiesAgree() {
  if (layout_.numFats < 2) return;
  std::vector<uint8_t> second(fat_.size());
  if (!Read(layout_.fatOffset + layout_.fatBytes, second.data(), second.size())) Fail("the second FAT cannot be read");
  if (second == fat_) return;
  // Entries 0 and 1 hold the media byte and status bits, not clusters, and bytes past the last
  // entry are unused.
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    if (EntryIn(second.data(), layout_.type, cluster) != Next(cluster)) {
      Fail("the two FAT copies differ at cluster " + std::to_string(cluster) +
           " (the volume was left part-way through an update); check it with fsck.fat first");
    }
  }
}

void PutFatEntry(std::vector<uint8_t>& fat, FatType type, uint32_t cluster, uint32_t value) {
  switch (type) {
    case FatType::Fat12: {
      const size_t at = cluster + cluster / 2;
      uint32_t pair = U16(fat.data() + at);
      pair = (cluster & 1) != 0 ? (pair & 0x000F) | (value << 4) : (pair & 0xF000) | (value & 0xFFF);
      fat[at] = static_cast<uint8_t>(pair);
      fat[at + 1] = static_cast<uint8_t>(pair >> 8);
      break;
    }
    case FatType::Fat16:
      fat[2 * size_t{cluster}] = static_cast<uint8_t>(value);
      fat[2 * size_t{cluster} + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case FatType::Fat32: {
      const uint32_t kept = U32(fat.data() + 4 * size_t{cluster}) & 0xF0000000;  // the top bits are not ours
      const uint32_t stored = kept | (value & 0x0FFFFFFF);
      for (int i = 0; i < 4; ++i) fat[4 * size_t{cluster} + static_cast<size_t>(i)] = static_cast<uint8_t>(stored >> (8 * i));
      break;
    }
  }
}

void FatImage::SetCachedNext(uint32_t cluster, uint32_t value) {
  if (cluster >= 2 && cluster < layout_.dataClusters + 2) NoteUse(cluster, (value & 0x0FFFFFFF) != 0);
  PutFatEntry(fat_, layout_.type, cluster, value);
}

const std::vector<uint8_t>& FatImage::CachedFatBytes() const { return fat_; }

uint32_t FatImage::EndOfChain() const {
  switch (layout_.type) {
    case FatType::Fat12: return 0xFF8;
    case FatType::Fat16: return 0xFFF8;
    case FatType::Fat32: return 0x0FFFFFF8;
  }
  return 0;
}

std::vector<uint32_t> FatImage::Chain(uint32_t first, const std::string& what) {
  const uint32_t chain = ++chains_;
  std::vector<uint32_t> clusters;
  const uint32_t last = layout_.dataClusters + 1;
  for (uint32_t cluster = first;;) {
    if (cluster < 2 || cluster > last) Fail(what + " points to cluster " + std::to_string(cluster) + ", outside the volume");
    if (owner_[cluster] == chain) Fail(what + " loops back to cluster " + std::to_string(cluster));
    if (owner_[cluster] != 0) Fail(what + " is cross-linked with another file at cluster " + std::to_string(cluster));
    owner_[cluster] = chain;
    clusters.push_back(cluster);
    const uint32_t next = Next(cluster);
    if (next >= EndOfChain()) break;
    if (next == 0) Fail(what + " runs into the free cluster after cluster " + std::to_string(cluster));
    if (next >= EndOfChain() - 8) Fail(what + " runs into a bad or reserved cluster after cluster " + std::to_string(cluster));
    cluster = next;
  }
  return clusters;
}

std::vector<uint8_t> FatImage::DirectoryBytes(const DirEntry& directory) {
  std::vector<uint8_t> bytes;
  if (directory.chain.empty()) {  // the fixed root directory of FAT12/16
    bytes.assign(size_t{layout_.rootEntries} * kDirEntryBytes, 0);
    if (!Read(layout_.rootOffset, bytes.data(), bytes.size())) Fail("the root directory cannot be read");
    return bytes;
  }
  const auto clusterBytes = static_cast<size_t>(layout_.ClusterBytes());
  if (directory.chain.size() > 1 && directory.chain.size() * clusterBytes > kMaxDirectoryBytes) {
    Fail((directory.path.empty() ? std::string("the root directory") : "the directory \"" + directory.path + "\"") +
         " is larger than a FAT directory can be (65,536 entries)");
  }
  bytes.resize(directory.chain.size() * clusterBytes);
  for (size_t i = 0; i < directory.chain.size(); ++i) {
    const uint64_t offset = layout_.dataOffset + (uint64_t{directory.chain[i]} - 2) * clusterBytes;
    if (!Read(offset, bytes.data() + i * clusterBytes, clusterBytes)) Fail("a directory cluster cannot be read");
  }
  return bytes;
}

void FatImage::ReadDirectory(DirEntry& directory, int depth) {
  if (depth > kMaxDepth) Fail("directories nest deeper than " + std::to_string(kMaxDepth) + " levels");
  ReadEntries(directory);
  // The folders below are read once this folder's bytes are released, so a deep tree holds
  // one folder's bytes at a time.
  for (DirEntry& child : directory.children) {
    if (child.IsDirectory()) ReadDirectory(child, depth + 1);
  }
}

void FatImage::ReadEntries(DirEntry& directory) {
  const std::vector<uint8_t> bytes = DirectoryBytes(directory);
  const bool fixedRoot = directory.chain.empty();
  LongName longName;
  for (size_t at = 0; at + kDirEntryBytes <= bytes.size(); at += kDirEntryBytes) {
    const uint8_t* e = bytes.data() + at;
    if (e[0] == 0x00) break;  // no entry follows
    if (e[0] == 0xE5) {
      longName.Reset();
      continue;
    }
    if (e[11] == kAttrLongName) {
      longName.Add(e);
      continue;
    }
    if ((e[11] & kAttrVolumeLabel) != 0 || (e[0] == '.' && (e[1] == ' ' || (e[1] == '.' && e[2] == ' ')))) {
      longName.Reset();
      continue;
    }
    DirEntry entry;
    const std::string longText = longName.For(e);
    longName.Reset();
    entry.name = longText.empty() ? ShortName(e) : longText;
    entry.path = directory.path.empty() ? entry.name : directory.path + "\\" + entry.name;
    entry.attributes = e[11];
    entry.size = U32(e + 28);
    entry.firstCluster = U16(e + 26) | (layout_.type == FatType::Fat32 ? U16(e + 20) << 16 : 0);
    // Where the short entry lies: in the fixed root, or in its directory's cluster.
    const uint64_t clusterBytes = layout_.ClusterBytes();
    entry.entryOffset = fixedRoot ? layout_.rootOffset + at
                                  : layout_.dataOffset + (uint64_t{directory.chain[static_cast<size_t>(at / clusterBytes)]} - 2) * clusterBytes +
                                        at % clusterBytes;
    if (entry.firstCluster != 0) entry.chain = Chain(entry.firstCluster, "\"" + entry.path + "\"");
    if (entry.IsDirectory()) {
      if (entry.chain.empty()) Fail("the directory \"" + entry.path + "\" has no clusters");
    } else {
      const uint64_t needed = (uint64_t{entry.size} + clusterBytes - 1) / clusterBytes;
      if (needed != entry.chain.size()) {
        Fail("\"" + entry.path + "\" holds " + std::to_string(entry.size) + " bytes but its chain has " +
             std::to_string(entry.chain.size()) + " clusters");
      }
    }
    directory.children.push_back(std::move(entry));
  }
}

}  // namespace tarvonel::fat
