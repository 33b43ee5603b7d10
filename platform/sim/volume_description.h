#pragma once
#include <memory>
#include <string>

namespace tarvonel {

class JsonObject;
class SimVolume;

// Builds a simulated volume from the "volume" object of a drive; throws MachineError naming
// the field or entry at fault. `drive` ("C:") prefixes the entry paths in messages.
std::shared_ptr<SimVolume> ReadVolumeDescription(const JsonObject& volume, const std::string& drive);

}  // namespace tarvonel
