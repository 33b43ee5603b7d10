#include "platform/image/image_machine.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "base/ascii.h"
#include "platform/image/fat_image.h"
#include "platform/image/fat_volume.h"

namespace tarvonel {

ImageDrive ParseImageDrive(const std::string& text) {
  if (text.size() < 4 || text[1] != ':' || text[2] != '=' ||
      !IsAsciiLetter(text[0])) {
    throw std::invalid_argument("--image takes a drive and a file, for example C:=stick.img, not " + text);
  }
  return {AsciiUpper(text[0]), text.substr(3)};
}

std::string WithImageDrives(const std::string& machineJson, const std::vector<std::unique_ptr<fat::FatVolume>>& volumes) {
  using Json = nlohmann::ordered_json;
  Json machine = Json::parse(machineJson);
  Json& drives = machine["drives"];
  if (!drives.is_array()) drives = Json::array();
  for (const auto& volume : volumes) {
    const std::string letter(1, volume->Letter());
    Json entry{{"letter", letter},
               {"type", "fixed"},
               {"label", volume->Image().Label()},
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
