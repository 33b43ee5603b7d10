#pragma once
#include <cstdint>
#include <string>

namespace tarvonel::stress {

// A machine description whose drive C: is a random volume built from `seed`: NTFS, FAT32 or
// FAT; tiny to mid-sized; nearly empty to full; files in one piece or many, in nested folders;
// on NTFS also resident files, named streams, compressed and sparse files and an MFT zone;
// files held open by another program or unopenable. The same seed gives the same machine.
std::string RandomMachineJson(uint64_t seed);

}  // namespace tarvonel::stress
