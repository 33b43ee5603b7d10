#pragma once
#include <cstdint>
#include <string>

#include "filesystems/volume_model.h"

namespace tarvonel::fat {

// The FAT12/16/32 boot sector (its first 512 bytes), checked against itself and against the
// `mediumBytes` it lies on. Throws fs::VolumeError naming the problem (not the medium).
fs::Layout ReadBootSector(const uint8_t* sector, uint64_t mediumBytes);

// The boot sector's volume label, empty for "NO NAME"; bytes above 127 as Latin-1.
std::string VolumeLabel(const uint8_t* sector, fs::FatType type);

}  // namespace tarvonel::fat
