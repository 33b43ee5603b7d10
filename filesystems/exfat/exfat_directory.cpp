// The folder tree: each folder's entry sets read into the model and checked, and what an
// interrupted rewrite of a set left read for what it is.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/little_endian.h"
#include "base/text_encoding.h"
#include "filesystems/exfat/entry_set.h"
#include "filesystems/exfat/exfat_image.h"
#include "filesystems/sector_source.h"

namespace tarvonel::exfat {
namespace {

using fs::DirEntry;
using le::U16;
using le::U32;
using le::U64;

constexpr int kMaxDepth = 256;

std::string Hex(uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  return {'0', 'x', digits[(value >> 4) & 15], digits[value & 15]};
}

// Characters exFAT forbids in a name (and that would break the paths built from it).
bool ForbiddenInName(uint32_t unit) {
  return unit < 0x20 || unit == '"' || unit == '*' || unit == '/' || unit == ':' || unit == '<' || unit == '>' ||
         unit == '?' || unit == '\\' || unit == '|';
}

}  // namespace

void ExfatImage::ReadDirectory(DirEntry& directory, int depth) {
  if (depth > kMaxDepth) Fail("folders are nested more than " + std::to_string(kMaxDepth) + " deep");
  const std::vector<uint8_t> bytes = ReadChainBytes(directory.chain, directory.size);
  for (size_t at = 0; at + kEntryBytes <= bytes.size();) {
    const uint8_t type = bytes[at];
    if (type == kEndOfDirectory) break;
    if (type == (kFileEntry & ~kInUse)) {
      at = ReadDeletedSet(directory, bytes, at);
      continue;
    }
    if ((type & kInUse) == 0) {
      at += kEntryBytes;
      continue;
    }
    if (type == kFileEntry) {
      at = ReadSet(directory, bytes, at, depth);
      continue;
    }
    const bool secondary = (type & kSecondary) != 0;
    const bool benign = (type & kBenign) != 0;
    const bool volumeEntry = &directory == &root_ && (type == kBitmapEntry || type == kUpcaseEntry || type == kLabelEntry);
    if (secondary) Fail("an entry of type " + Hex(type) + " in " + (directory.path.empty() ? "the root" : directory.path) +
                        " belongs to no entry set");
    if (!benign && !volumeEntry) Fail("an entry of unknown type " + Hex(type) + " in " +
                                      (directory.path.empty() ? "the root" : directory.path));
    // A benign primary (the volume GUID, TexFAT padding) and its secondaries are not ours.
    at += kEntryBytes * (volumeEntry ? 1 : 1 + size_t{bytes[at + kSecondaryCount]});
  }
  SettleRewrittenSets(directory);
}

// A deleted file entry whose secondary entries are still in use: what a rewrite of a set leaves
// when cut after deleting the old file entry. They are cleared at the next move.
size_t ExfatImage::ReadDeletedSet(const DirEntry& directory, const std::vector<uint8_t>& bytes, size_t at) {
  Leftover leftover;
  size_t next = at + kEntryBytes;
  for (size_t i = 0; i < bytes[at + kSecondaryCount] && next + kEntryBytes <= bytes.size(); ++i, next += kEntryBytes) {
    const uint8_t type = bytes[next];
    if (type == kEndOfDirectory || (type & kSecondary) == 0) break;  // a deleted entry's count may be stale
    if ((type & kInUse) != 0) {
      leftover.offsets.push_back(OffsetIn(directory, next));
    }
  }
  if (!leftover.offsets.empty()) leftovers_.push_back(std::move(leftover));
  return next;
}

// A rewrite of a set cut after the new set was written leaves two of one name: the old one
// across a sector boundary, the new one inside one sector, alike but for where the file lies,
// the contents the same. The new one is the file; the old one is a leftover, and its clusters
// are lost. Any other two entries of one name are a problem.
void ExfatImage::SettleRewrittenSets(DirEntry& directory) {
  std::unordered_map<std::string, size_t> byName;
  std::vector<size_t> old;
  for (size_t i = 0; i < directory.children.size(); ++i) {
    const auto [seen, first] = byName.emplace(directory.children[i].name, i);
    if (first) continue;
    const DirEntry& a = directory.children[seen->second];
    const DirEntry& b = directory.children[i];
    const bool aIsOld = !ChangesInPlace(a);
    if (aIsOld == !ChangesInPlace(b) || a.IsDirectory() || b.IsDirectory() || !AlikeSets(a, b) || !SameContents(a, b)) {
      Fail(b.path + " is listed twice");
    }
    old.push_back(aIsOld ? seen->second : i);
    if (aIsOld) seen->second = i;
  }
  std::sort(old.rbegin(), old.rend());
  for (size_t i : old) {
    const DirEntry& stale = directory.children[i];
    for (uint32_t cluster : stale.chain) owned_[cluster] = false;
    leftovers_.push_back({stale.setOffsets, true});
    directory.children.erase(directory.children.begin() + static_cast<ptrdiff_t>(i));
  }
}

std::vector<uint8_t> ExfatImage::SetBytes(const DirEntry& file) const {
  std::vector<uint8_t> set(file.setOffsets.size() * kEntryBytes);
  for (size_t i = 0; i < file.setOffsets.size(); ++i) {
    if (!source_->Read(file.setOffsets[i], set.data() + i * kEntryBytes, kEntryBytes)) Fail("a folder cannot be read");
  }
  return set;
}

// Alike but for the checksum, NoFatChain and the first cluster.
bool ExfatImage::AlikeSets(const DirEntry& a, const DirEntry& b) const {
  std::vector<uint8_t> x = SetBytes(a);
  std::vector<uint8_t> y = SetBytes(b);
  if (x.size() != y.size()) return false;
  for (std::vector<uint8_t>* set : {&x, &y}) {
    uint8_t* bytes = set->data();
    bytes[kSetChecksum] = bytes[kSetChecksum + 1] = 0;
    bytes[kEntryBytes + kStreamFlags] &= static_cast<uint8_t>(~kNoFatChain);
    std::memset(bytes + kEntryBytes + kStreamFirstCluster, 0, 4);
  }
  return x == y;
}

bool ExfatImage::SameContents(const DirEntry& a, const DirEntry& b) const {
  if (a.chain.size() != b.chain.size()) return false;
  const uint64_t clusterBytes = layout_.ClusterBytes();
  const auto piece = static_cast<size_t>(std::min<uint64_t>(clusterBytes, 1 << 20));
  std::vector<uint8_t> x(piece);
  std::vector<uint8_t> y(piece);
  for (size_t i = 0; i < a.chain.size(); ++i) {
    for (uint64_t done = 0; done < clusterBytes; done += piece) {
      if (!source_->Read(ClusterOffset(a.chain[i]) + done, x.data(), piece) ||
          !source_->Read(ClusterOffset(b.chain[i]) + done, y.data(), piece) || x != y) {
        return false;
      }
    }
  }
  return true;
}

void ExfatImage::NoteFolders(const DirEntry& directory) {
  for (const DirEntry& child : directory.children) {
    folders_[&child] = &directory;
    if (child.IsDirectory()) NoteFolders(child);
  }
}

const DirEntry* ExfatImage::FolderOf(const DirEntry& file) const {
  const auto found = folders_.find(&file);
  return found == folders_.end() ? nullptr : found->second;
}

// The file entry at `at`, its stream extension and names; returns where the next entry starts.
size_t ExfatImage::ReadSet(DirEntry& directory, const std::vector<uint8_t>& bytes, size_t at, int depth) {
  const std::string where = directory.path.empty() ? "the root" : directory.path;
  const size_t secondaries = bytes[at + kSecondaryCount];
  const size_t entries = 1 + secondaries;
  if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) {
    Fail("an entry set in " + where + " has " + std::to_string(secondaries) + " secondary entries");
  }
  if (at + entries * kEntryBytes > bytes.size()) Fail("an entry set in " + where + " runs past the folder's end");
  const uint8_t* set = bytes.data() + at;
  const uint8_t* stream = set + kEntryBytes;
  if (stream[kEntryType] != kStreamEntry) Fail("an entry set in " + where + " has no stream extension");
  const size_t nameLength = stream[kStreamNameLength];
  const size_t nameEntries = (nameLength + kUnitsPerNameEntry - 1) / kUnitsPerNameEntry;
  if (nameLength == 0 || 1 + nameEntries > secondaries) Fail("an entry set in " + where + " has a bad name length");
  std::vector<uint8_t> units;
  for (size_t i = 0; i < nameEntries; ++i) {
    const uint8_t* name = stream + (1 + i) * kEntryBytes;
    if (name[kEntryType] != kNameEntry) Fail("an entry set in " + where + " lacks a file name entry");
    units.insert(units.end(), name + kNameUnits, name + kEntryBytes);
  }
  units.resize(2 * nameLength);
  for (size_t i = 0; i < nameLength; ++i) {
    if (ForbiddenInName(U16(units.data() + 2 * i))) Fail("a name in " + where + " holds a character exFAT forbids");
  }
  DirEntry entry;
  entry.name = Utf16LeToUtf8(units.data(), nameLength);
  entry.path = directory.path.empty() ? entry.name : directory.path + "\\" + entry.name;
  if (SetChecksum(set, entries) != U16(set + kSetChecksum)) Fail("the entry set of " + entry.path + " has a bad checksum");
  for (size_t i = 0; i < entries; ++i) {
    entry.setOffsets.push_back(OffsetIn(directory, at + i * kEntryBytes));
  }
  entry.entryOffset = entry.setOffsets.front();
  entry.attributes = static_cast<uint8_t>(U16(set + kFileAttributes) & kAttributeBits);
  entry.noFatChain = (stream[kStreamFlags] & kNoFatChain) != 0;
  entry.size = U64(stream + kStreamDataLength);
  entry.firstCluster = U32(stream + kStreamFirstCluster);
  if (U64(stream + kStreamValidDataLength) > entry.size) Fail(entry.path + " has more valid data than its size");
  entry.chain = Chain(entry.firstCluster, entry.size, entry.noFatChain, entry.path);
  if (entry.chain.empty()) entry.firstCluster = 0;
  TakeClusters(entry.chain, entry.path);
  for (size_t i = 1 + 1 + nameEntries; i < entries; ++i) {
    const uint8_t* other = set + i * kEntryBytes;
    if ((other[kEntryType] & kBenign) == 0) {
      Fail("an entry set of " + entry.path + " holds an unknown critical entry " + Hex(other[kEntryType]));
    }
    // A vendor's allocation is clusters no file lists: they stay where they are.
    if (other[kEntryType] == kVendorAllocation) {
      TakeClusters(Chain(U32(other + kStreamFirstCluster), U64(other + kStreamDataLength),
                         (other[kStreamFlags] & kNoFatChain) != 0, entry.path + "'s vendor data"),
                   entry.path + "'s vendor data");
    }
  }
  if (entry.IsDirectory()) {
    if (entry.chain.empty()) Fail("the folder " + entry.path + " has no clusters");
    if (entry.size > kMaxDirectoryBytes) Fail("the folder " + entry.path + " is larger than exFAT allows");
    ReadDirectory(entry, depth + 1);
  }
  directory.children.push_back(std::move(entry));
  return at + entries * kEntryBytes;
}

}  // namespace tarvonel::exfat
