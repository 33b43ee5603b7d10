#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class JsonObject;
class SimVolume;

// What a generated volume holds. The same settings and seed always give the same volume.
struct GeneratorSettings {
  int64_t files = 1000;
  int64_t directories = 50;
  int fragmentedPercent = 10;  // of the files with more than one cluster
  int maxFragments = 8;
  int fillPercent = 50;   // of the clusters the files take, roughly
  int gapPercent = 30;    // how often free space follows a file: the free-space pattern
  uint32_t seed = 1;
  bool windowsFolder = false;  // a Windows folder with System32 and Prefetch\layout.ini
};

GeneratorSettings ReadGeneratorSettings(const JsonObject& object);

// Adds generated directories and files to the volume (and, on NTFS, the $MFT with an MFT zone
// when none is declared), around whatever the volume already holds. Throws MachineError
// when the files do not fit.
void GenerateVolumeContent(SimVolume& volume, const GeneratorSettings& settings, const std::string& drive);

}  // namespace tarvonel
