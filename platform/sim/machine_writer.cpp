#include "platform/sim/machine_writer.h"

#include <nlohmann/json.hpp>

#include "base/text_encoding.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_volume.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

using Json = nlohmann::ordered_json;

const char* const kDriveTypes[] = {"unknown", "no_root_dir", "removable", "fixed", "remote", "cdrom", "ramdisk"};
const char* const kEntryTypes[] = {"file", "directory", "junction", "symlink"};
const char* const kLocks[] = {"no", "exclusive", "paging_file"};

Json Runs(const std::vector<SimRun>& runs) {
  Json list = Json::array();
  for (const SimRun& run : runs) list.push_back({run.lcn, run.length});
  return list;
}

Json Entry(const SimEntry& entry) {
  Json object;
  object["name"] = entry.name;
  if (entry.kind != SimEntryKind::File) object["type"] = kEntryTypes[static_cast<int>(entry.kind)];
  const SimStream& data = entry.streams.front();
  if (!data.runs.empty()) object["extents"] = Runs(data.runs);
  if (entry.extraAttributes & win32::kAttributeCompressed) object["compressed"] = true;
  if (entry.extraAttributes & win32::kAttributeSparse) object["sparse"] = true;
  const uint32_t other = entry.extraAttributes & ~(win32::kAttributeCompressed | win32::kAttributeSparse);
  if (other != 0) object["attributes"] = other;
  if (entry.lock != SimLock::None) object["in_use"] = kLocks[static_cast<int>(entry.lock)];
  if (entry.metadata) object["metadata"] = true;
  if (!entry.target.empty()) object["target"] = entry.target;
  const std::vector<uint8_t>& content = data.content;
  if (content.size() >= 2 && content[0] == 0xFF && content[1] == 0xFE) {
    object["content"] = Utf16LeToUtf8(content.data() + 2, (content.size() - 2) / 2);
    object["content_encoding"] = "utf-16le";
  } else if (!content.empty()) {
    object["content"] = std::string(content.begin(), content.end());
  }
  if (entry.streams.size() > 1) {
    Json streams = Json::array();
    for (size_t s = 1; s < entry.streams.size(); ++s) {
      Json stream{{"name", entry.streams[s].name}};
      if (!entry.streams[s].runs.empty()) stream["extents"] = Runs(entry.streams[s].runs);
      streams.push_back(stream);
    }
    object["streams"] = streams;
  }
  if (entry.kind == SimEntryKind::Directory && !entry.children.empty()) {
    Json children = Json::array();
    for (const auto& child : entry.children) children.push_back(Entry(*child));
    object["entries"] = children;
  }
  return object;
}

Json Volume(const SimVolume& volume) {
  Json object;
  object["file_system"] = volume.FileSystem();
  object["bytes_per_sector"] = volume.BytesPerSector();
  object["sectors_per_cluster"] = volume.SectorsPerCluster();
  object["total_clusters"] = volume.TotalClusters();
  if (volume.mftZoneEnd > volume.mftZoneStart) {
    object["mft_zone"] = Json::array({Json::array({volume.mftZoneStart, volume.mftZoneEnd - volume.mftZoneStart})});
  }
  object["bitmap_rounding"] = volume.bitmapRounding;
  const std::vector<SimRun> metadata = volume.MetadataRuns();
  if (!metadata.empty()) object["metadata_clusters"] = Runs(metadata);
  Json entries = Json::array();
  for (const auto& child : volume.Root().children) entries.push_back(Entry(*child));
  object["entries"] = entries;
  return object;
}

}  // namespace

std::string MachineToJson(const SimPlatform& platform) {
  const Machine& machine = platform.Description();
  Json root;
  root["os"] = {{"get_version_fails", machine.os.getVersionFails},
                {"platform_id", machine.os.platformId},
                {"major", machine.os.major},
                {"minor", machine.os.minor},
                {"build", machine.os.build},
                {"service_pack", machine.os.servicePack},
                {"bits", machine.os.bits},
                {"wow64_redirection", machine.os.wow64Redirection == RedirectionBehaviour::Works   ? "works"
                                      : machine.os.wow64Redirection == RedirectionBehaviour::Fails ? "fails"
                                                                                                    : "missing"},
                {"wow64_redirection_error", machine.os.wow64RedirectionError},
                {"windows_directory", machine.os.windowsDirectory}};
  root["administrator"] = machine.administrator;
  root["privileges"] = {{"grantable", machine.privileges.grantable},
                        {"open_token_error", machine.privileges.openTokenError}};
  root["common_controls"] = machine.commonControls;
  root["format_message_fails_with"] = machine.formatMessageFailsWith;
  root["process_openable"] = machine.processOpenable;
  Json drives = Json::array();
  for (const SimDrive& drive : machine.drives) {
    Json object{{"letter", std::string(1, drive.letter)},
                {"type", kDriveTypes[static_cast<int>(drive.type)]},
                {"label", drive.label},
                {"seek_penalty", std::array{"yes", "no", "unknown"}[static_cast<size_t>(drive.seekPenalty)]},
                {"write_protected", drive.writeProtected}};
    if (drive.quota) {
      object["quota"] = {{"limit_clusters", drive.quota->limitClusters}, {"used_clusters", drive.quota->usedClusters}};
    }
    if (drive.volume) object["volume"] = Volume(*drive.volume);
    const SimDiskCheck& check = drive.diskCheck;
    const char* const states[] = {"clean", "dirty", "missing_library", "missing_export"};
    object["disk_check"] = {{"state", states[static_cast<int>(check.state)]},
                            {"progress", check.progress},
                            {"text", check.text},
                            {"unreadable_text", check.unreadableText}};
    const char* const smartStates[] = {"works", "not_supported", "invalid_function", "driver_error"};
    object["smart"] = {{"state", smartStates[static_cast<int>(drive.smart.state)]},
                       {"temperature_attribute", drive.smart.temperatureAttribute},
                       {"readings", drive.smart.readings}};
    drives.push_back(object);
  }
  root["drives"] = drives;
  const SimShellDescription& shell = platform.Shell().Description();
  root["shell"] = {{"environment", shell.environment},
                   {"special_folders", shell.specialFolders},
                   {"program_folder", shell.programFolder}};
  Json registry = Json::array();
  for (const auto& [key, values] : platform.Registry().Keys()) {
    for (const auto& [name, value] : values) registry.push_back({{"key", key}, {"name", name}, {"value", value}});
  }
  root["registry"] = registry;
  return root.dump(2) + "\n";
}

}  // namespace tarvonel
