#pragma once
#include "filesystems/volume_model.h"

namespace tarvonel::fs {
class SectorSource;
}

namespace tarvonel::exfat {

// The main and backup boot regions at the start of `source`: both must carry their checksum and
// say the same. Throws fs::VolumeError naming the problem (not the medium).
fs::Layout ReadBootRegion(const fs::SectorSource& source);

}  // namespace tarvonel::exfat
