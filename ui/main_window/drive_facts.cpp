#include "ui/main_window/drive_facts.h"

#include "base/text_encoding.h"
#include "volume/sector_io.h"

namespace tarvonel {
namespace {

std::string TypeField(const std::vector<uint8_t>& bootSector, size_t offset) {
  if (bootSector.size() < offset + 8) return {};
  return TrimTrailingBlanks(TrimAtNul(std::string(bootSector.begin() + static_cast<std::ptrdiff_t>(offset),
                                                  bootSector.begin() + static_cast<std::ptrdiff_t>(offset + 8))));
}

}  // namespace

std::string TrimTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string BootSectorFileSystem(const std::vector<uint8_t>& bootSector) {
  const std::string oemName =
      bootSector.size() >= 11 ? std::string(bootSector.begin() + 3, bootSector.begin() + 11) : std::string();
  if (oemName == "NTFS    ") return "NTFS";
  // exFAT zeroes the whole BPB, FATSz16 included, so it would pass for FAT32 below.
  if (oemName == "EXFAT   ") return {};
  // BPB_FATSz16 (offset 22) is 0 on FAT32 only.
  const bool fat32 = bootSector.size() >= 24 && bootSector[22] == 0 && bootSector[23] == 0;
  std::string type = TypeField(bootSector, fat32 ? 82 : 54);
  return type.starts_with("FAT") ? type : std::string();
}

std::string DriveFileSystem(const std::vector<uint8_t>& bootSector, const std::string& reportedName) {
  const std::string declared = BootSectorFileSystem(bootSector);
  return declared.empty() ? TrimAtNul(reportedName) : declared;
}

std::optional<std::vector<uint8_t>> ReadBootSector(VolumeIo& io, const std::string& root, DriveFacts& facts) {
  const DiskFreeSpace space = io.QueryDiskFreeSpace(root);
  if (space.error != 0) return std::nullopt;
  facts.SectorsPerCluster = static_cast<int32_t>(space.sectorsPerCluster);
  facts.BytesPerSector = static_cast<int32_t>(space.bytesPerSector);
  facts.FreeClusters = static_cast<int32_t>(space.freeClusters);
  facts.TotalClusters = static_cast<int32_t>(space.totalClusters);
  SectorReader reader(io);
  reader.SectorIO("\\\\.\\" + root.substr(0, 2), facts.BytesPerSector, 0, facts.BytesPerSector, 0);
  if (reader.SectorIOFailed) return std::nullopt;
  return reader.SectorReadBuffer;
}

}  // namespace tarvonel
