#pragma once
#include <string>

namespace tarvonel {

// An image file or device standing in for a drive of the simulated machine.
struct ImageDrive {
  char letter = 'C';
  std::string path;
};

// Reads "C:=PATH" of the command line; throws std::invalid_argument naming what is wrong.
ImageDrive ParseImageDrive(const std::string& text);

}  // namespace tarvonel
