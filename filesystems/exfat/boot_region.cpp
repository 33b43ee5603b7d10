#include "filesystems/exfat/boot_region.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "filesystems/boot_sector_fields.h"
#include "filesystems/sector_source.h"

namespace tarvonel::exfat {
namespace {

using namespace boot_field;
using le::U16;
using le::U32;
using le::U64;

constexpr size_t kBootRegionSectors = 12;  // the main region; the backup follows it
constexpr size_t kChecksumSector = 11;     // of a region: its checksum, repeated
constexpr uint16_t kVolumeDirty = 0x02;    // of the volume flags
constexpr uint32_t kMaxClusters = 1u << 31;  // what the engine can number

[[noreturn]] void Fail(const std::string& problem) { throw fs::VolumeError(problem); }

// The volume flags and the percentage in use are what a driver changes in place: left out.
uint32_t BootChecksum(const uint8_t* region, size_t bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes; ++i) {
    if (i == kExfatVolumeFlags || i == kExfatVolumeFlags + 1 || i == kExfatPercentInUse) continue;
    sum = ((sum & 1) != 0 ? 0x80000000u : 0u) + (sum >> 1) + region[i];
  }
  return sum;
}

}  // namespace

// A volume whose backup region differs has been changed by something that did not finish, and
// is not ours to judge.
fs::Layout ReadBootRegion(const fs::SectorSource& source) {
  uint8_t first[512];
  if (!source.Read(0, first, sizeof first)) Fail("too small for an exFAT boot sector");
  if (std::memcmp(first + kOemName, kExfatOemName, kOemNameLength) != 0) Fail("is not an exFAT volume");
  const uint32_t sectorShift = first[kExfatBytesPerSectorShift];
  const uint32_t clusterShift = first[kExfatSectorsPerClusterShift];
  if (sectorShift < 9 || sectorShift > 12) Fail("the boot sector's sector size is not 512 to 4096 bytes");
  if (clusterShift > 25 - sectorShift) Fail("the boot sector's cluster size is above 32 MiB");
  const size_t sector = size_t{1} << sectorShift;
  std::vector<uint8_t> regions(2 * kBootRegionSectors * sector);
  if (!source.Read(0, regions.data(), regions.size())) Fail("too small for exFAT's two boot regions");
  for (int backup = 0; backup < 2; ++backup) {
    const uint8_t* region = regions.data() + backup * kBootRegionSectors * sector;
    const char* which = backup != 0 ? "backup" : "main";
    if (region[kSignature] != 0x55 || region[kSignature + 1] != 0xAA) {
      Fail(std::string("the ") + which + " boot sector has no signature");
    }
    const uint32_t sum = BootChecksum(region, kChecksumSector * sector);
    for (size_t at = kChecksumSector * sector; at < kBootRegionSectors * sector; at += 4) {
      if (U32(region + at) != sum) Fail(std::string("the ") + which + " boot region's checksum does not match");
    }
  }
  for (size_t i = 0; i < kBootRegionSectors * sector; ++i) {
    if (i == kExfatVolumeFlags || i == kExfatVolumeFlags + 1 || i == kExfatPercentInUse) continue;
    if (regions[i] != regions[kBootRegionSectors * sector + i]) Fail("the main and backup boot regions differ");
  }
  for (size_t i = kBytesPerSector; i < kExfatZeroedEnd; ++i) {
    if (first[i] != 0) Fail("the boot sector's bytes 11 to 63 are not zero");
  }
  if (first[kExfatNumberOfFats] != 1) Fail("has two FATs (TexFAT), which Tarvonel does not write");
  const uint64_t volumeSectors = U64(first + kExfatVolumeLength);
  const uint32_t fatOffset = U32(first + kExfatFatOffset);
  const uint32_t fatLength = U32(first + kExfatFatLength);
  const uint32_t heapOffset = U32(first + kExfatClusterHeapOffset);
  const uint32_t clusters = U32(first + kExfatClusterCount);
  fs::Layout l;
  l.bytesPerSector = static_cast<uint32_t>(sector);
  l.sectorsPerCluster = 1u << clusterShift;
  l.numFats = 1;
  l.totalSectors = volumeSectors;
  l.fatOffset = uint64_t{fatOffset} * sector;
  l.fatBytes = uint64_t{fatLength} * sector;
  l.dataOffset = uint64_t{heapOffset} * sector;
  l.dataClusters = clusters;
  l.rootCluster = U32(first + kExfatRootCluster);
  l.dirty = (U16(first + kExfatVolumeFlags) & kVolumeDirty) != 0;
  if (volumeSectors > source.Size() / sector) Fail("the boot sector declares more sectors than the medium holds");
  if (clusters == 0 || clusters >= kMaxClusters) Fail("the boot sector declares " + std::to_string(clusters) + " clusters");
  if (fatOffset < 2 * kBootRegionSectors || l.fatBytes < (uint64_t{clusters} + 2) * 4 || heapOffset < uint64_t{fatOffset} + fatLength ||
      heapOffset + (uint64_t{clusters} << clusterShift) > volumeSectors) {
    Fail("the boot sector's FAT and cluster heap do not fit the volume");
  }
  if (l.rootCluster < 2 || l.rootCluster > clusters + 1) Fail("the root directory's first cluster is outside the volume");
  return l;
}

}  // namespace tarvonel::exfat
