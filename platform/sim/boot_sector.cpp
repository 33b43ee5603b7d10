#include "platform/sim/boot_sector.h"

#include <cstring>

#include "base/little_endian.h"
#include "filesystems/boot_sector_fields.h"

namespace tarvonel {
namespace {

using namespace boot_field;

// A field of 1, 2, 4 or 8 bytes.
void Put(std::vector<uint8_t>& sector, size_t offset, uint64_t value, size_t bytes) {
  uint8_t* field = sector.data() + offset;
  switch (bytes) {
    case 1: *field = static_cast<uint8_t>(value); break;
    case 2: le::Put16(field, static_cast<uint16_t>(value)); break;
    case 4: le::Put32(field, static_cast<uint32_t>(value)); break;
    default: le::Put64(field, value); break;
  }
}

void PutText(std::vector<uint8_t>& sector, size_t offset, const char* text) {
  std::memcpy(sector.data() + offset, text, std::strlen(text));
}

unsigned Log2(uint64_t value) {
  unsigned shift = 0;
  while ((uint64_t{1} << (shift + 1)) <= value) ++shift;
  return shift;
}

// exFAT and ReFS boot sectors carry no BPB: bytes 11 to 63 of an exFAT one are zero (so a
// reader that takes a zero 16-bit FAT size for FAT32 goes wrong), and the geometry follows in
// binary fields where the FAT layouts keep their type texts.
std::vector<uint8_t> OtherBootSector(const std::string& fileSystem, uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                                     uint64_t dataSectors) {
  std::vector<uint8_t> sector(bytesPerSector, 0);
  if (fileSystem == "exFAT") {
    sector[kJump] = 0xEB;
    sector[kJump + 1] = 0x76;
    sector[kJump + 2] = 0x90;
    PutText(sector, kOemName, kExfatOemName);
    const uint64_t fatOffset = 2048;  // sectors, as Windows formats a card
    const uint64_t fatLength = dataSectors / 1024 + 1;
    Put(sector, kExfatVolumeLength, fatOffset + fatLength + dataSectors, 8);
    Put(sector, kExfatFatOffset, fatOffset, 4);
    Put(sector, kExfatFatLength, fatLength, 4);
    Put(sector, kExfatClusterHeapOffset, fatOffset + fatLength, 4);
    Put(sector, kExfatRootCluster, 4, 4);
    Put(sector, kExfatRevision, 0x100, 2);  // 1.00
    sector[kExfatBytesPerSectorShift] = static_cast<uint8_t>(Log2(bytesPerSector));
    sector[kExfatSectorsPerClusterShift] = static_cast<uint8_t>(Log2(sectorsPerCluster));
    sector[kExfatNumberOfFats] = 1;
    sector[kExfatDriveSelect] = 0x80;
  } else {
    PutText(sector, kOemName, "ReFS");
    PutText(sector, 16, "FSRS");
    Put(sector, 20, 512, 2);
    Put(sector, 22, 0x5A3C, 2);  // the header checksum
    Put(sector, 24, dataSectors, 8);
    Put(sector, 32, bytesPerSector, 4);
  }
  sector[kSignature] = 0x55;
  sector[kSignature + 1] = 0xAA;
  return sector;
}

}  // namespace

std::vector<uint8_t> MakeBootSector(const std::string& fileSystem, uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                                    int64_t totalClusters) {
  const uint64_t dataSectors = static_cast<uint64_t>(totalClusters) * sectorsPerCluster;
  if (fileSystem == "exFAT" || fileSystem == "ReFS") {
    return OtherBootSector(fileSystem, bytesPerSector, sectorsPerCluster, dataSectors);
  }
  std::vector<uint8_t> sector(bytesPerSector, 0);
  sector[kJump] = 0xEB;
  sector[kJump + 2] = 0x90;
  Put(sector, kBytesPerSector, bytesPerSector, 2);
  Put(sector, kSectorsPerCluster, sectorsPerCluster, 1);
  sector[kMedia] = 0xF8;  // fixed disk
  if (fileSystem == "NTFS") {
    sector[kJump + 1] = 0x52;
    PutText(sector, kOemName, kNtfsOemName);
    Put(sector, kNtfsTotalSectors, dataSectors - 1, 8);
    Put(sector, kNtfsMftCluster, static_cast<uint64_t>(totalClusters) / 16, 8);
    Put(sector, kNtfsMftMirrorCluster, 2, 8);
  } else if (fileSystem == "FAT32") {
    sector[kJump + 1] = 0x58;
    PutText(sector, kOemName, "MSWIN4.1");
    const uint64_t fatSectors = (static_cast<uint64_t>(totalClusters) + 2) * 4 / bytesPerSector + 1;
    Put(sector, kReservedSectors, 32, 2);
    sector[kNumberOfFats] = 2;
    Put(sector, kTotalSectors32, 32 + 2 * fatSectors + dataSectors, 4);
    Put(sector, kFat32FatSectors, fatSectors, 4);
    Put(sector, kFat32RootCluster, 2, 4);
    Put(sector, kFat32FsInfoSector, 1, 2);
    sector[kFat32BootSignature] = 0x29;
    PutText(sector, kFat32VolumeLabel, "NO NAME    ");
    PutText(sector, kFat32TypeText, "FAT32   ");
  } else {
    const bool fat12 = totalClusters < 4085;
    sector[kJump + 1] = 0x3C;
    PutText(sector, kOemName, "MSWIN4.1");
    const uint64_t fatBytes = fat12 ? (static_cast<uint64_t>(totalClusters) + 2) * 3 / 2
                                    : (static_cast<uint64_t>(totalClusters) + 2) * 2;
    const uint64_t fatSectors = fatBytes / bytesPerSector + 1;
    const uint64_t rootSectors = 512 * 32 / bytesPerSector;
    const uint64_t sectors = 1 + 2 * fatSectors + rootSectors + dataSectors;
    Put(sector, kReservedSectors, 1, 2);
    sector[kNumberOfFats] = 2;
    Put(sector, kRootEntries, 512, 2);
    if (sectors < 65536) {
      Put(sector, kTotalSectors16, sectors, 2);
    } else {
      Put(sector, kTotalSectors32, sectors, 4);
    }
    Put(sector, kFatSectors16, fatSectors, 2);
    sector[kFat16BootSignature] = 0x29;
    PutText(sector, kFat16VolumeLabel, "NO NAME    ");
    PutText(sector, kFat16TypeText, fat12 ? "FAT12   " : "FAT16   ");
  }
  sector[kSignature] = 0x55;
  sector[kSignature + 1] = 0xAA;
  return sector;
}

}  // namespace tarvonel
