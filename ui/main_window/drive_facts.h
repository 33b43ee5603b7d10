#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os_facts.h"
#include "platform/volume_io.h"

namespace tarvonel {

// What the main window read about the drive it examined last. The cluster counts are the
// drive list's own; a job works with the volume's geometry.
struct DriveFacts {
  DriveType Type = DriveType::Unknown;
  std::string VolumeLabel;
  int32_t SectorsPerCluster = 0;
  int32_t BytesPerSector = 0;
  int32_t FreeClusters = 0;
  int32_t TotalClusters = 0;
};

std::string TrimTrailingBlanks(std::string text);

// The file-system name a boot sector declares: "NTFS" for an NTFS boot sector, else the
// 8-byte type field of the FAT32 layout (offset 82) when the BPB says FAT32 (no 16-bit FAT
// size), else that of the FAT12/FAT16 layout (offset 54); trailing blanks removed. Empty when
// the sector is neither NTFS nor FAT (exFAT, ReFS, ...): their bytes there are binary fields.
std::string BootSectorFileSystem(const std::vector<uint8_t>& bootSector);
// The name a drive read by its boot sector is shown with: the sector's own, or where it
// declares none, the name the volume reports (what Windows calls exFAT or ReFS).
std::string DriveFileSystem(const std::vector<uint8_t>& bootSector, const std::string& reportedName);

// GetDiskFreeSpace into the facts, then the volume's first sector. Empty when either fails.
std::optional<std::vector<uint8_t>> ReadBootSector(VolumeIo& io, const std::string& root, DriveFacts& facts);

}  // namespace tarvonel
