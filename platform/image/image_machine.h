#pragma once
#include <memory>
#include <string>
#include <vector>

namespace tarvonel {

// A FAT image standing in for a drive of the simulated machine.
struct ImageDrive {
  char letter = 'C';
  std::string path;
};

// Reads "C:=PATH" of the command line; throws std::invalid_argument naming what is wrong.
ImageDrive ParseImageDrive(const std::string& text);

namespace fat {
class FatVolume;
}

// The machine description with each image volume as a fixed drive of its letter, and its dirty
// state as the drive's disk check finds it. The volume itself is not described: its FatVolume
// serves it.
std::string WithImageDrives(const std::string& machineJson, const std::vector<std::unique_ptr<fat::FatVolume>>& volumes);

}  // namespace tarvonel
