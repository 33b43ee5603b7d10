#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tarvonel {

// A boot sector as a formatter would write it for the geometry: the NTFS or FAT BPB, the FAT
// type text at offset 54 (FAT12/16) or 82 (FAT32), and the 55 AA signature.
std::vector<uint8_t> MakeBootSector(const std::string& fileSystem, uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                                    int64_t totalClusters);

}  // namespace tarvonel
