#include "front/linux/image_machine.h"

#include <nlohmann/json.hpp>

#include "base/ascii.h"
#include "filesystems/volume_model.h"
#include "platform/sim/sim_platform.h"

namespace tarvonel {

ImageMachine::ImageMachine(SimPlatform& machine, std::vector<std::unique_ptr<image::ImageVolume>> volumes)
    : machine_(machine),
      drives_(machine, machine, std::move(volumes),
              [&machine](const std::string& pattern) { return machine.Shell().FirstListed(pattern).has_value(); }) {
  for (const auto& volume : drives_.Volumes()) {
    const char letter = volume->Letter();
    volume->SetDiskControl([&machine, letter](uint32_t access, uint32_t code, const void* input, uint32_t inputSize,
                                              void* output, uint32_t outputSize, uint32_t& bytesReturned) {
      return machine.DiskControl(letter, access, code, input, inputSize, output, outputSize, bytesReturned);
    });
  }
}

PlatformRoles ImageMachine::Roles() { return {drives_, machine_}; }

int ImageMachine::Moves() const { return machine_.Moves() + drives_.Moves(); }

int64_t ImageMachine::ClustersMoved() const { return machine_.ClustersMoved() + drives_.ClustersMoved(); }

std::string WithImageDrives(const std::string& machineJson, 
                            const std::vector<std::unique_ptr<image::ImageVolume>>& volumes) {
  using Json = nlohmann::ordered_json;
  Json machine = Json::parse(machineJson);
  Json& drives = machine["drives"];
  if (!drives.is_array()) drives = Json::array();
  for (const auto& volume : volumes) {
    const std::string letter(1, volume->Letter());
    Json entry{{"letter", letter},
               {"type", "fixed"},
               {"label", volume->Model().Label()},
               {"disk_check", {{"state", volume->Dirty() ? "dirty" : "clean"}}}};
    bool replaced = false;
    for (Json& existing : drives) {
      if (AsciiUpper(existing.value("letter", " ")[0]) == volume->Letter()) {
        existing = entry;
        replaced = true;
      }
    }
    if (!replaced) drives.push_back(entry);
  }
  return machine.dump();
}

}  // namespace tarvonel
