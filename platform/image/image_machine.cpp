#include "platform/image/image_machine.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "base/ascii.h"
#include "base/hex.h"
#include "platform/boot_sector_fields.h"
#include "platform/image/fat_image.h"

namespace tarvonel {
namespace {

using Json = nlohmann::ordered_json;

// Consecutive clusters as one run of LCNs (LCN 0 is cluster 2).
Json Runs(const std::vector<uint32_t>& chain) {
  Json runs = Json::array();
  for (size_t i = 0; i < chain.size();) {
    size_t end = i + 1;
    while (end < chain.size() && chain[end] == chain[end - 1] + 1) ++end;
    runs.push_back({int64_t{chain[i]} - 2, static_cast<int64_t>(end - i)});
    i = end;
  }
  return runs;
}

Json Entries(const fat::DirEntry& directory) {
  Json entries = Json::array();
  for (const fat::DirEntry& child : directory.children) {
    Json entry{{"name", child.name}};
    if (child.IsDirectory()) entry["type"] = "directory";
    if (!child.chain.empty()) entry["extents"] = Runs(child.chain);
    const uint32_t more = child.attributes & 0x07;  // read-only, hidden, system
    if (more != 0) entry["attributes"] = more;
    if (child.IsDirectory() && !child.children.empty()) entry["entries"] = Entries(child);
    entries.push_back(entry);
  }
  return entries;
}

std::string Label(const std::vector<uint8_t>& boot, bool fat32) {
  const auto at = boot.begin() + static_cast<std::ptrdiff_t>(fat32 ? boot_field::kFat32VolumeLabel
                                                                  : boot_field::kFat16VolumeLabel);
  std::string label(at, at + boot_field::kVolumeLabelLength);
  while (!label.empty() && label.back() == ' ') label.pop_back();
  return label == "NO NAME" ? std::string() : label;
}

}  // namespace

ImageDrive ParseImageDrive(const std::string& text) {
  if (text.size() < 4 || text[1] != ':' || text[2] != '=' ||
      !IsAsciiLetter(text[0])) {
    throw std::invalid_argument("--image takes a drive and a file, for example C:=stick.img, not " + text);
  }
  return {AsciiUpper(text[0]), text.substr(3)};
}

std::string WithImageDrives(const std::string& machineJson, const std::vector<ImageDrive>& images) {
  Json machine = Json::parse(machineJson);
  for (const ImageDrive& drive : images) {
    const std::unique_ptr<fat::FatImage> image = fat::FatImage::Open(drive.path);
    const fat::Layout& layout = image->Geometry();
    const bool fat32 = layout.type == fat::FatType::Fat32;
    Json volume{{"file_system", fat32 ? "FAT32" : "FAT"},
                {"bytes_per_sector", layout.bytesPerSector},
                {"sectors_per_cluster", layout.sectorsPerCluster},
                {"total_clusters", layout.dataClusters},
                {"entries", Entries(image->Root())}};
    if (fat32) volume["metadata_clusters"] = Runs(image->Root().chain);  // the root directory's chain
    // The image's own boot sector answers the sector read.
    const auto& boot = image->BootSector();
    volume["boot_sector_hex"] = LowerHexBytes(boot.data(), boot.size());
    Json entry{{"letter", std::string(1, drive.letter)},
               {"type", "fixed"},
               {"label", Label(image->BootSector(), fat32)},
               {"volume", volume},
               {"disk_check", {{"state", layout.dirty ? "dirty" : "clean"}}}};
    Json& drives = machine["drives"];
    if (!drives.is_array()) drives = Json::array();
    bool replaced = false;
    for (Json& existing : drives) {
      if (existing.value("letter", "") == std::string(1, drive.letter) ||
          existing.value("letter", "") == std::string(1, static_cast<char>(drive.letter | 0x20))) {
        existing = entry;
        replaced = true;
      }
    }
    if (!replaced) drives.push_back(entry);
  }
  return machine.dump();
}

}  // namespace tarvonel
