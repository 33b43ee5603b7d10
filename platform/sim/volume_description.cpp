#include "platform/sim/volume_description.h"

#include <string>

#include "base/hex.h"
#include "platform/sim/boot_sector.h"
#include "platform/sim/json_fields.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/sim_volume.h"
#include "platform/sim/volume_generator.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

constexpr int64_t kMaxDescribedClusters = int64_t{1} << 40;

std::vector<SimRun> ReadRuns(const JsonObject& object, const char* key) {
  std::vector<SimRun> runs;
  for (const auto& [lcn, length] : object.Runs(key)) runs.push_back({lcn, length});
  return runs;
}

std::vector<uint8_t> ReadContent(const JsonObject& entry) {
  const std::string text = entry.String("content", "", 1 << 20);
  if (entry.Choice("content_encoding", {"utf-8", "utf-16le"}, 0) == 0) return {text.begin(), text.end()};
  // UTF-16 LE with a byte-order mark, as Windows writes its layout list; ASCII and Latin
  // letters are enough for the texts a description holds.
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint8_t>(text[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) c = ((c & 0x1F) << 6) | (static_cast<uint8_t>(text[++i]) & 0x3F);
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

std::unique_ptr<SimEntry> ReadEntry(const JsonObject& object, const SimVolume& volume, const std::string& drive,
                                    const std::string& parentPath);

void ReadChildren(const JsonObject& object, SimEntry& parent, const SimVolume& volume, const std::string& drive,
                  const std::string& parentPath) {
  for (const JsonObject& childObject : object.ObjectArray("entries")) {
    std::unique_ptr<SimEntry> child = ReadEntry(childObject, volume, drive, parentPath);
    if (parent.Child(child->name) != nullptr) {
      childObject.Fail("name", "repeats \"" + parentPath + child->name + "\"");
    }
    parent.AddChild(std::move(child));
  }
}

std::unique_ptr<SimEntry> ReadEntry(const JsonObject& object, const SimVolume& volume, const std::string& drive,
                                    const std::string& parentPath) {
  object.RejectUnknownKeys({"name", "type", "extents", "resident", "compressed", "sparse", "attributes", "in_use",
                            "metadata", "target", "content", "content_encoding", "streams", "entries"});
  auto entry = std::make_unique<SimEntry>();
  entry->name = object.String("name", "", 255);
  if (entry->name.empty() || entry->name == "." || entry->name == ".." ||
      entry->name.find_first_of("\\/:*?\"<>|") != std::string::npos) {
    object.Fail("name", "must be a file name without \\ / : * ? \" < > |");
  }
  const std::string path = parentPath + entry->name;
  const auto fail = [&](const std::string& problem) -> void {
    throw MachineError("entry \"" + path + "\": " + problem);
  };
  entry->kind = static_cast<SimEntryKind>(object.Choice("type", {"file", "directory", "junction", "symlink"}, 0));
  entry->extraAttributes = object.UInt32("attributes", 0);
  if (object.Bool("compressed", false)) entry->extraAttributes |= win32::kAttributeCompressed;
  if (object.Bool("sparse", false)) entry->extraAttributes |= win32::kAttributeSparse;
  entry->lock = static_cast<SimLock>(object.Choice("in_use", {"no", "exclusive", "paging_file"}, 0));
  entry->metadata = object.Bool("metadata", false);
  entry->target = object.String("target", "", 259);

  SimStream data;
  data.runs = ReadRuns(object, "extents");
  data.content = ReadContent(object);
  const bool resident = object.Bool("resident", false);
  if (resident && !data.runs.empty()) fail("a resident entry has no extents");
  entry->streams.push_back(std::move(data));
  for (const JsonObject& streamObject : object.ObjectArray("streams")) {
    streamObject.RejectUnknownKeys({"name", "extents", "resident"});
    SimStream stream;
    stream.name = streamObject.String("name", "", 255);
    if (stream.name.empty() || stream.name.find_first_of("\\/:") != std::string::npos) {
      streamObject.Fail("name", "must be a stream name without \\ / :");
    }
    stream.runs = ReadRuns(streamObject, "extents");
    entry->streams.push_back(std::move(stream));
  }

  const bool link = entry->kind == SimEntryKind::Junction || entry->kind == SimEntryKind::SymbolicLink;
  if (link && (entry->target.size() < 3 || entry->target[1] != ':')) fail("a link needs a \"target\" such as \"C:\\\\dir\"");
  if (!volume.IsNtfs()) {
    if (entry->streams.size() > 1) fail("FAT volumes have no named streams");
    if (resident) fail("FAT volumes keep no data inside file records");
    if (entry->extraAttributes & (win32::kAttributeCompressed | win32::kAttributeSparse)) {
      fail("FAT volumes have no compressed or sparse files");
    }
    if (link) fail("FAT volumes have no junctions or links");
  }
  if (entry->kind == SimEntryKind::Directory) {
    ReadChildren(object, *entry, volume, drive, path + "\\");
  } else if (object.Has("entries")) {
    fail("only a directory holds entries");
  }
  return entry;
}

}  // namespace

std::shared_ptr<SimVolume> ReadVolumeDescription(const JsonObject& object, const std::string& drive) {
  object.RejectUnknownKeys({"file_system", "label", "bytes_per_sector", "sectors_per_cluster", "total_clusters",
                            "mft_zone", "bitmap_rounding", "metadata_clusters", "boot_sector_hex", "entries",
                            "generate"});
  const std::string fileSystem = object.String("file_system", "NTFS");
  if (fileSystem != "NTFS" && fileSystem != "FAT32" && fileSystem != "FAT" && fileSystem != "exFAT" &&
      fileSystem != "ReFS") {
    object.Fail("file_system", "must be one of \"NTFS\", \"FAT32\", \"FAT\", \"exFAT\", \"ReFS\"");
  }
  const auto bytesPerSector = static_cast<uint32_t>(object.Int64("bytes_per_sector", 512, 512, 4096));
  const auto sectorsPerCluster = static_cast<uint32_t>(object.Int64("sectors_per_cluster", 8, 1, 128));
  if ((bytesPerSector & (bytesPerSector - 1)) != 0) object.Fail("bytes_per_sector", "must be a power of two");
  if ((sectorsPerCluster & (sectorsPerCluster - 1)) != 0) object.Fail("sectors_per_cluster", "must be a power of two");
  const int64_t totalClusters = object.Int64("total_clusters", 262144, 16, kMaxDescribedClusters);

  auto volume = std::make_shared<SimVolume>(fileSystem, bytesPerSector, sectorsPerCluster, totalClusters);
  volume->label = object.String("label", "", 32);
  volume->bitmapRounding = static_cast<uint32_t>(object.Int64("bitmap_rounding", 8, 8, 32768));
  if (volume->bitmapRounding != 8 && volume->bitmapRounding != 32768) {
    object.Fail("bitmap_rounding", "must be 8 or 32768");
  }
  const auto zone = object.Runs("mft_zone");
  if (!zone.empty()) {
    if (!volume->IsNtfs()) object.Fail("mft_zone", "belongs to NTFS volumes only");
    if (zone.size() != 1 || zone[0].first < 0 || zone[0].first + zone[0].second > totalClusters) {
      object.Fail("mft_zone", "must be one [start, length] inside the volume");
    }
    volume->mftZoneStart = zone[0].first;
    volume->mftZoneEnd = zone[0].first + zone[0].second;
  }
  volume->bootSector = MakeBootSector(fileSystem, bytesPerSector, sectorsPerCluster, totalClusters);
  const std::string hex = object.String("boot_sector_hex", "", 8192);
  for (size_t i = 0; i + 1 < hex.size() && i / 2 < volume->bootSector.size(); i += 2) {
    const auto digit = [&](char c) -> int {
      const int value = HexDigitValue(c);
      if (value < 0) object.Fail("boot_sector_hex", "must hold hexadecimal digits only");
      return value;
    };
    volume->bootSector[i / 2] = static_cast<uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1]));
  }

  try {
    for (const auto& [lcn, length] : object.Runs("metadata_clusters")) {
      if (lcn < 0) object.Fail("metadata_clusters", "cannot hold a hole");
      volume->Claim(nullptr, 0, 0, lcn, length);
    }
    ReadChildren(object, volume->Root(), *volume, drive, drive + "\\");
    volume->ClaimTree(volume->Root());
    if (auto generate = object.Object("generate")) GenerateVolumeContent(*volume, ReadGeneratorSettings(*generate), drive);
  } catch (const MachineError& error) {
    throw MachineError(object.Path() + ": " + error.what());
  }
  return volume;
}

}  // namespace tarvonel
