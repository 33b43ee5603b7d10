#include "filesystems/fat/boot_sector.h"

#include <vector>

#include "base/little_endian.h"
#include "base/text_encoding.h"
#include "filesystems/boot_sector_fields.h"
#include "filesystems/fat/dir_entry.h"
#include "filesystems/fat/fat_table.h"

namespace tarvonel::fat {
namespace {

using fs::FatType;
using namespace boot_field;

constexpr uint32_t kMaxClusters = 0x0FFFFFF5;
constexpr uint64_t kFat12Clusters = 4085;  // fewer clusters than this: FAT12
constexpr uint64_t kFat16Clusters = 65525;
constexpr uint8_t kDirtyFlag = 0x01;       // of the FAT12/16 and FAT32 flags bytes
constexpr uint16_t kOneActiveFat = 0x80;   // of the FAT32 extended flags

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

[[noreturn]] void Fail(const std::string& problem) { throw fs::VolumeError(problem); }

}  // namespace

fs::Layout ReadBootSector(const uint8_t* b, uint64_t mediumBytes) {
  fs::Layout l;
  l.bytesPerSector = le::U16(b + kBytesPerSector);
  if (l.bytesPerSector != 512 && l.bytesPerSector != 1024 && l.bytesPerSector != 2048 && l.bytesPerSector != 4096) {
    Fail("the boot sector's bytes per sector (" + std::to_string(l.bytesPerSector) + ") is not 512, 1024, 2048 or 4096");
  }
  if (b[kSignature] != 0x55 || b[kSignature + 1] != 0xAA) Fail("the boot sector has no 55 AA signature");
  l.sectorsPerCluster = b[kSectorsPerCluster];
  if (!PowerOfTwo(l.sectorsPerCluster)) Fail("the sectors per cluster is not a power of two");
  const uint32_t reserved = le::U16(b + kReservedSectors);
  if (reserved == 0) Fail("the boot sector reserves no sectors");
  l.numFats = b[kNumberOfFats];
  if (l.numFats != 1 && l.numFats != 2) Fail("the volume has " + std::to_string(l.numFats) + " FATs, not 1 or 2");
  l.rootEntries = le::U16(b + kRootEntries);
  l.totalSectors = le::U16(b + kTotalSectors16) != 0 ? le::U16(b + kTotalSectors16) : le::U32(b + kTotalSectors32);
  const uint32_t fatSectors16 = le::U16(b + kFatSectors16);
  const bool fat32 = fatSectors16 == 0;
  const uint64_t fatSectors = fat32 ? le::U32(b + kFat32FatSectors) : fatSectors16;
  if (fatSectors == 0) Fail("the FAT has no sectors");
  if (fat32 && l.rootEntries != 0) Fail("a FAT32 boot sector declares a fixed root directory");
  if (fat32 && (le::U16(b + kFat32ExtFlags) & kOneActiveFat) != 0) {
    Fail("the FAT32 copies are not mirrored (active-FAT mode is not handled)");
  }
  l.fatBytes = fatSectors * l.bytesPerSector;
  l.fatOffset = uint64_t{reserved} * l.bytesPerSector;
  l.rootOffset = l.fatOffset + l.numFats * l.fatBytes;
  const uint64_t rootBytes = uint64_t{l.rootEntries} * dir_entry::kBytes;
  if (rootBytes % l.bytesPerSector != 0) Fail("the root directory does not fill whole sectors");
  l.dataOffset = l.rootOffset + rootBytes;
  const uint64_t volumeBytes = l.totalSectors * l.bytesPerSector;
  if (volumeBytes <= l.dataOffset) Fail("the volume ends before its data area");
  if (volumeBytes > mediumBytes) Fail("the image is shorter than the volume its boot sector declares");
  const uint64_t clusters = (volumeBytes - l.dataOffset) / l.ClusterBytes();
  if (clusters == 0 || clusters > kMaxClusters) Fail("the volume has no usable number of clusters");
  l.dataClusters = static_cast<uint32_t>(clusters);
  l.type = fat32 ? FatType::Fat32 : (clusters < kFat12Clusters ? FatType::Fat12 : FatType::Fat16);
  if (!fat32 && clusters >= kFat16Clusters) Fail("a FAT16 layout with " + std::to_string(clusters) + " clusters");
  if (FatCodec::For(l.type).TableBytes(uint64_t{l.dataClusters} + 2) > l.fatBytes) Fail("the FAT is too small for the volume");
  if (fat32) {
    l.rootCluster = le::U32(b + kFat32RootCluster);
    if (l.rootCluster < 2 || l.rootCluster > l.dataClusters + 1) Fail("the root directory's cluster is outside the volume");
  }
  l.dirty = (b[fat32 ? kFat32Flags : kFat16Flags] & kDirtyFlag) != 0;
  return l;
}

std::string VolumeLabel(const uint8_t* sector, FatType type) {
  const size_t field = type == FatType::Fat32 ? kFat32VolumeLabel : kFat16VolumeLabel;
  // Bytes above 127 as Latin-1, as in short names: the label is text the machine shows, and
  // raw bytes of the card's code page are no UTF-8 (found by fuzzing: writing them out threw).
  std::vector<uint8_t> units;  // UTF-16 LE
  for (size_t i = field; i < field + kVolumeLabelLength; ++i) {
    units.push_back(sector[i]);
    units.push_back(0);
  }
  std::string label = Utf16LeToUtf8(units.data(), units.size() / 2);
  while (!label.empty() && label.back() == ' ') label.pop_back();
  return label == "NO NAME" ? std::string() : label;
}

}  // namespace tarvonel::fat
