// The directory tree: each folder's entries read into the model, their chains checked.
#include <string>
#include <vector>

#include "filesystems/fat/dir_entry.h"
#include "filesystems/fat/fat_image.h"

namespace tarvonel::fat {
namespace {

constexpr int kMaxDepth = 1000;
constexpr uint64_t kMaxDirectoryBytes = 65536 * dir_entry::kBytes;  // the most entries a FAT directory may hold

}  // namespace

std::vector<uint8_t> FatImage::DirectoryBytes(const DirEntry& directory) {
  std::vector<uint8_t> bytes;
  if (directory.chain.empty()) {  // the fixed root directory of FAT12/16
    bytes.assign(size_t{layout_.rootEntries} * dir_entry::kBytes, 0);
    if (!Read(layout_.rootOffset, bytes.data(), bytes.size())) Fail("the root directory cannot be read");
    return bytes;
  }
  const auto clusterBytes = static_cast<size_t>(layout_.ClusterBytes());
  if (directory.chain.size() > 1 && directory.chain.size() * clusterBytes > kMaxDirectoryBytes) {
    Fail((directory.path.empty() ? std::string("the root directory") : "the directory \"" + directory.path + "\"") +
         " is larger than a FAT directory can be (65,536 entries)");
  }
  bytes.resize(directory.chain.size() * clusterBytes);
  for (size_t i = 0; i < directory.chain.size(); ++i) {
    const uint64_t offset = layout_.dataOffset + (uint64_t{directory.chain[i]} - 2) * clusterBytes;
    if (!Read(offset, bytes.data() + i * clusterBytes, clusterBytes)) Fail("a directory cluster cannot be read");
  }
  return bytes;
}

void FatImage::ReadDirectory(DirEntry& directory, int depth) {
  if (depth > kMaxDepth) Fail("directories nest deeper than " + std::to_string(kMaxDepth) + " levels");
  ReadEntries(directory);
  // The folders below are read once this folder's bytes are released, so a deep tree holds
  // one folder's bytes at a time.
  for (DirEntry& child : directory.children) {
    if (child.IsDirectory()) ReadDirectory(child, depth + 1);
  }
}

void FatImage::ReadEntries(DirEntry& directory) {
  using namespace dir_entry;
  const std::vector<uint8_t> bytes = DirectoryBytes(directory);
  const bool fixedRoot = directory.chain.empty();
  const bool fat32 = layout_.type == FatType::Fat32;
  LongName longName;
  for (size_t at = 0; at + kBytes <= bytes.size(); at += kBytes) {
    const uint8_t* e = bytes.data() + at;
    if (e[kName] == kEndOfDirectory) break;
    if (e[kName] == kDeleted) {
      longName.Reset();
      continue;
    }
    if (e[kAttributes] == kAttrLongName) {
      longName.Add(e);
      continue;
    }
    if ((e[kAttributes] & kAttrVolumeLabel) != 0 || IsDotEntry(e)) {
      longName.Reset();
      continue;
    }
    DirEntry entry;
    const std::string longText = longName.For(e);
    longName.Reset();
    entry.name = longText.empty() ? ShortName(e) : longText;
    entry.path = directory.path.empty() ? entry.name : directory.path + "\\" + entry.name;
    entry.attributes = e[kAttributes];
    entry.size = FileSize(e);
    entry.firstCluster = FirstCluster(e, fat32);
    // Where the short entry lies: in the fixed root, or in its directory's cluster.
    const uint64_t clusterBytes = layout_.ClusterBytes();
    entry.entryOffset = fixedRoot ? layout_.rootOffset + at
                                  : OffsetIn(directory, at);
    if (entry.firstCluster != 0) entry.chain = Chain(entry.firstCluster, "\"" + entry.path + "\"");
    if (entry.IsDirectory()) {
      if (entry.chain.empty()) Fail("the directory \"" + entry.path + "\" has no clusters");
    } else {
      const uint64_t needed = (uint64_t{entry.size} + clusterBytes - 1) / clusterBytes;
      if (needed != entry.chain.size()) {
        Fail("\"" + entry.path + "\" holds " + std::to_string(entry.size) + " bytes but its chain has " +
             std::to_string(entry.chain.size()) + " clusters");
      }
    }
    directory.children.push_back(std::move(entry));
  }
}

}  // namespace tarvonel::fat
