#include "ui/main_window/drive_facts.h"

#include "base/text_encoding.h"
#include "filesystems/boot_sector_fields.h"
#include "volume/sector_io.h"

namespace tarvonel {
namespace {

std::string TypeField(const std::vector<uint8_t>& bootSector, size_t offset) {
  if (bootSector.size() < offset + boot_field::kTypeTextLength) return {};
  return TrimTrailingBlanks(TrimAtNul(std::string(bootSector.begin() + static_cast<std::ptrdiff_t>(offset),
                                                  bootSector.begin() + static_cast<std::ptrdiff_t>(offset + boot_field::kTypeTextLength))));
}

}  // namespace

std::string TrimTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string BootSectorFileSystem(const std::vector<uint8_t>& bootSector) {
  using namespace boot_field;
  const std::string oemName = bootSector.size() >= kOemName + kOemNameLength
                                  ? std::string(bootSector.begin() + kOemName, bootSector.begin() + kOemName + kOemNameLength)
                                  : std::string();
  if (oemName == kNtfsOemName) return "NTFS";
  // exFAT zeroes the whole BPB, FATSz16 included, so it would pass for FAT32 below.
  if (oemName == kExfatOemName) return {};
  // BPB_FATSz16 is 0 on FAT32 only.
  const bool fat32 = bootSector.size() >= kFatSectors16 + 2 && bootSector[kFatSectors16] == 0 &&
                     bootSector[kFatSectors16 + 1] == 0;
  std::string type = TypeField(bootSector, fat32 ? kFat32TypeText : kFat16TypeText);
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
