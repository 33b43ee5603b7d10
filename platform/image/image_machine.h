#pragma once
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

// The machine description with each image as a drive: the volume's real geometry, directory
// tree and cluster runs, its label and dirty state. The image is only read here; a pass's
// moves reach it through an ImageWriter on the drive. Throws fat::ImageError for an unsound image.
std::string WithImageDrives(const std::string& machineJson, const std::vector<ImageDrive>& images);

}  // namespace tarvonel
