#include "platform/sim/boot_sector.h"

#include <cstring>

namespace tarvonel {
namespace {

void Put(std::vector<uint8_t>& sector, size_t offset, uint64_t value, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) sector[offset + i] = static_cast<uint8_t>(value >> (8 * i));
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
    sector[0] = 0xEB;
    sector[1] = 0x76;
    sector[2] = 0x90;
    PutText(sector, 3, "EXFAT   ");
    const uint64_t fatOffset = 2048;  // sectors, as Windows formats a card
    const uint64_t fatLength = dataSectors / 1024 + 1;
    Put(sector, 72, fatOffset + fatLength + dataSectors, 8);  // VolumeLength
    Put(sector, 80, fatOffset, 4);
    Put(sector, 84, fatLength, 4);
    Put(sector, 88, fatOffset + fatLength, 4);  // ClusterHeapOffset
    Put(sector, 96, 4, 4);                      // FirstClusterOfRootDirectory
    Put(sector, 104, 0x100, 2);                 // FileSystemRevision 1.00
    sector[108] = static_cast<uint8_t>(Log2(bytesPerSector));
    sector[109] = static_cast<uint8_t>(Log2(sectorsPerCluster));
    sector[110] = 1;  // NumberOfFats
    sector[111] = 0x80;
  } else {
    PutText(sector, 3, "ReFS");
    PutText(sector, 16, "FSRS");
    Put(sector, 20, 512, 2);
    Put(sector, 22, 0x5A3C, 2);  // the header checksum
    Put(sector, 24, dataSectors, 8);
    Put(sector, 32, bytesPerSector, 4);
  }
  sector[510] = 0x55;
  sector[511] = 0xAA;
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
  sector[0] = 0xEB;
  sector[2] = 0x90;
  Put(sector, 11, bytesPerSector, 2);
  Put(sector, 13, sectorsPerCluster, 1);
  sector[21] = 0xF8;  // fixed disk
  if (fileSystem == "NTFS") {
    sector[1] = 0x52;
    PutText(sector, 3, "NTFS    ");
    Put(sector, 40, dataSectors - 1, 8);
    Put(sector, 48, static_cast<uint64_t>(totalClusters) / 16, 8);  // $MFT
    Put(sector, 56, 2, 8);                                          // $MFTMirr
  } else if (fileSystem == "FAT32") {
    sector[1] = 0x58;
    PutText(sector, 3, "MSWIN4.1");
    const uint64_t fatSectors = (static_cast<uint64_t>(totalClusters) + 2) * 4 / bytesPerSector + 1;
    Put(sector, 14, 32, 2);  // reserved sectors
    sector[16] = 2;          // FATs
    Put(sector, 32, 32 + 2 * fatSectors + dataSectors, 4);
    Put(sector, 36, fatSectors, 4);
    Put(sector, 44, 2, 4);  // root directory cluster
    Put(sector, 48, 1, 2);  // FSInfo sector
    sector[66] = 0x29;
    PutText(sector, 71, "NO NAME    ");
    PutText(sector, 82, "FAT32   ");
  } else {
    const bool fat12 = totalClusters < 4085;
    sector[1] = 0x3C;
    PutText(sector, 3, "MSWIN4.1");
    const uint64_t fatBytes = fat12 ? (static_cast<uint64_t>(totalClusters) + 2) * 3 / 2
                                    : (static_cast<uint64_t>(totalClusters) + 2) * 2;
    const uint64_t fatSectors = fatBytes / bytesPerSector + 1;
    const uint64_t rootSectors = 512 * 32 / bytesPerSector;
    const uint64_t sectors = 1 + 2 * fatSectors + rootSectors + dataSectors;
    Put(sector, 14, 1, 2);
    sector[16] = 2;
    Put(sector, 17, 512, 2);  // root entries
    if (sectors < 65536) {
      Put(sector, 19, sectors, 2);
    } else {
      Put(sector, 32, sectors, 4);
    }
    Put(sector, 22, fatSectors, 2);
    sector[38] = 0x29;
    PutText(sector, 43, "NO NAME    ");
    PutText(sector, 54, fat12 ? "FAT12   " : "FAT16   ");
  }
  sector[510] = 0x55;
  sector[511] = 0xAA;
  return sector;
}

}  // namespace tarvonel
