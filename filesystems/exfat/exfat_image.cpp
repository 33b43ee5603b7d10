#include "filesystems/exfat/exfat_image.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/little_endian.h"
#include "base/text_encoding.h"
#include "filesystems/cluster_run.h"
#include "filesystems/exfat/boot_region.h"
#include "filesystems/exfat/entry_set.h"
#include "filesystems/sector_source.h"

namespace tarvonel::exfat {
namespace {

using fs::DirEntry;
using fs::Layout;
using fs::VolumeError;
using fs::VolumeStorage;
using fs::BatchMover;
using fs::BatchLimits;

using le::U16;
using le::U32;
using le::U64;

constexpr uint64_t kMaxDirectoryBytes = 256ull << 20;
constexpr int kMaxDepth = 256;

uint32_t TableChecksum(const std::vector<uint8_t>& bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum = ((sum & 1) != 0 ? 0x80000000u : 0u) + (sum >> 1) + b;
  return sum;
}

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

ExfatImage::ExfatImage(std::shared_ptr<const fs::SectorSource> source) : source_(std::move(source)), path_(source_->Name()) {}

std::unique_ptr<ExfatImage> ExfatImage::Open(std::shared_ptr<const fs::SectorSource> source) {
  std::unique_ptr<ExfatImage> image(new ExfatImage(std::move(source)));
  image->ReadBootRegions();
  image->ReadFat();
  image->ReadRoot();
  image->NoteFolders(image->root_);
  image->CountUse();
  return image;
}

void ExfatImage::Fail(const std::string& problem) const { throw VolumeError(path_ + ": " + problem); }

void ExfatImage::ReadBootRegions() {
  try {
    layout_ = ReadBootRegion(*source_);
  } catch (const VolumeError& problem) {
    Fail(problem.what());
  }
}

void ExfatImage::ReadFat() {
  const size_t entries = size_t{layout_.dataClusters} + 2;
  std::vector<uint8_t> bytes(entries * kFatEntryBytes);
  if (!source_->Read(layout_.fatOffset, bytes.data(), bytes.size())) Fail("the FAT cannot be read");
  fat_.resize(entries);
  for (size_t i = 0; i < entries; ++i) fat_[i] = U32(bytes.data() + kFatEntryBytes * i);
  owned_.assign(entries, false);
}

bool ExfatImage::InUse(uint32_t cluster) const {
  const uint32_t bit = cluster - 2;
  return (bitmap_[bit / 8] >> (bit % 8) & 1) != 0;
}

void ExfatImage::SetCachedInUse(uint32_t cluster, bool used) {
  const uint32_t bit = cluster - 2;
  const auto mask = static_cast<uint8_t>(1u << (bit % 8));
  if (used != InUse(cluster)) usedClusters_ += used ? 1 : -1;
  bitmap_[bit / 8] = static_cast<uint8_t>(used ? bitmap_[bit / 8] | mask : bitmap_[bit / 8] & ~mask);
}

uint64_t ExfatImage::BitmapByteOffset(uint64_t index) const {
  const uint64_t clusterBytes = layout_.ClusterBytes();
  return ClusterOffset(bitmapChain_[static_cast<size_t>(index / clusterBytes)]) + index % clusterBytes;
}

void ExfatImage::CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const {
  const auto from = static_cast<size_t>(startLcn / 8);
  const auto bytes = static_cast<size_t>((count + 7) / 8);
  std::memcpy(out, bitmap_.data() + from, bytes);
  if (count % 8 != 0) out[bytes - 1] &= static_cast<uint8_t>((1u << (count % 8)) - 1);
}

// A file's clusters: `bytes` worth of them, one run from `first` when the FAT does not chain
// them, else the FAT chain from `first`, which must end exactly there.
std::vector<uint32_t> ExfatImage::Chain(uint32_t first, uint64_t bytes, bool noFatChain, const std::string& what) {
  const uint64_t clusterBytes = layout_.ClusterBytes();
  const uint64_t count = (bytes + clusterBytes - 1) / clusterBytes;
  std::vector<uint32_t> chain;
  if (count == 0) return chain;
  const uint64_t last = uint64_t{layout_.dataClusters} + 1;
  if (first < 2 || first > last) Fail(what + " starts outside the cluster heap");
  if (count > layout_.dataClusters) Fail(what + " is larger than the volume");
  chain.reserve(static_cast<size_t>(count));
  if (noFatChain) {
    if (first + count - 1 > last) Fail(what + " runs past the end of the cluster heap");
    for (uint64_t i = 0; i < count; ++i) chain.push_back(static_cast<uint32_t>(first + i));
    return chain;
  }
  uint32_t cluster = first;
  for (uint64_t i = 0;; ++i) {
    chain.push_back(cluster);
    const uint32_t next = fat_[cluster];
    if (i + 1 == count) {
      if (next != kEndOfChain) Fail("the FAT chain of " + what + " is longer than its size");
      return chain;
    }
    if (next == kEndOfChain || next == kBadCluster || next < 2 || next > last) {
      Fail("the FAT chain of " + what + " ends before its " + std::to_string(count) + " clusters");
    }
    cluster = next;
  }
}

std::vector<uint8_t> ExfatImage::ReadChainBytes(const std::vector<uint32_t>& chain, uint64_t bytes) {
  const uint64_t clusterBytes = layout_.ClusterBytes();
  std::vector<uint8_t> data(static_cast<size_t>(chain.size() * clusterBytes));
  fs::ForEachRun(chain, SIZE_MAX, [&](fs::ClusterRun run, size_t done) {
    if (!source_->Read(ClusterOffset(run.first), data.data() + done * clusterBytes, static_cast<size_t>(run.count * clusterBytes))) {
      Fail("cluster " + std::to_string(run.first) + " cannot be read");
    }
    return true;
  });
  data.resize(static_cast<size_t>(std::min<uint64_t>(bytes, data.size())));
  return data;
}

void ExfatImage::TakeClusters(const std::vector<uint32_t>& chain, const std::string& what) {
  for (uint32_t cluster : chain) {
    if (owned_[cluster]) Fail("cluster " + std::to_string(cluster) + " of " + what + " also belongs to another file");
    if (!InUse(cluster)) Fail("cluster " + std::to_string(cluster) + " of " + what + " is free in the allocation bitmap");
    owned_[cluster] = true;
  }
}

// The root directory has no size: its FAT chain runs to its end.
void ExfatImage::ReadRoot() {
  root_.attributes = kDirectoryAttribute;
  root_.firstCluster = layout_.rootCluster;
  for (uint32_t cluster = layout_.rootCluster;;) {
    root_.chain.push_back(cluster);
    if (root_.chain.size() * layout_.ClusterBytes() > kMaxDirectoryBytes) Fail("the root directory's chain does not end");
    const uint32_t next = fat_[cluster];
    if (next == kEndOfChain) break;
    if (next < 2 || next > layout_.dataClusters + 1) Fail("the FAT chain of the root directory leaves the cluster heap");
    cluster = next;
  }
  root_.size = root_.chain.size() * layout_.ClusterBytes();
  const std::vector<uint8_t> bytes = ReadChainBytes(root_.chain, root_.size);
  ReadVolumeEntries(bytes);
  TakeClusters(root_.chain, "the root directory");
  ReadDirectory(root_, 0);
}

// The allocation bitmap first, as every other check needs it; the up-case table and the label.
void ExfatImage::ReadVolumeEntries(const std::vector<uint8_t>& rootBytes) {
  std::vector<std::pair<std::vector<uint32_t>, std::string>> systemChains;
  for (size_t at = 0; at + kEntryBytes <= rootBytes.size(); at += kEntryBytes) {
    const uint8_t* e = rootBytes.data() + at;
    if (e[kEntryType] == kEndOfDirectory) break;
    if (e[kEntryType] == kBitmapEntry) {
      if (sawBitmap_) Fail("has two allocation bitmaps (TexFAT), which Tarvonel does not write");
      sawBitmap_ = true;
      const uint64_t bytes = U64(e + kStreamDataLength);
      if (bytes < (uint64_t{layout_.dataClusters} + 7) / 8) Fail("the allocation bitmap is smaller than the volume");
      bitmapChain_ = Chain(U32(e + kStreamFirstCluster), bytes, false, "the allocation bitmap");
      bitmap_ = ReadChainBytes(bitmapChain_, bytes);
      systemChains.emplace_back(bitmapChain_, "the allocation bitmap");
    } else if (e[kEntryType] == kUpcaseEntry) {
      if (sawUpcase_) Fail("has two up-case tables");
      sawUpcase_ = true;
      const uint64_t bytes = U64(e + kStreamDataLength);
      std::vector<uint32_t> chain = Chain(U32(e + kStreamFirstCluster), bytes, false, "the up-case table");
      if (TableChecksum(ReadChainBytes(chain, bytes)) != U32(e + kUpcaseChecksum)) {
        Fail("the up-case table's checksum does not match");
      }
      systemChains.emplace_back(std::move(chain), "the up-case table");
    } else if (e[kEntryType] == kLabelEntry) {
      const size_t length = std::min<size_t>(e[kLabelLength], kMaxLabelLength);
      label_ = Utf16LeToUtf8(e + kLabelUnits, length);
    }
  }
  if (!sawBitmap_) Fail("has no allocation bitmap");
  if (!sawUpcase_) Fail("has no up-case table");
  for (const auto& [chain, what] : systemChains) TakeClusters(chain, what);
}

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
  if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) Fail("an entry set in " + where + " has " + std::to_string(secondaries) + " secondary entries");
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

bool ExfatImage::ChangesInPlace(const DirEntry& file) const {
  const uint64_t sector = layout_.bytesPerSector;
  return file.setOffsets.size() >= 2 && file.setOffsets[1] == file.setOffsets[0] + kEntryBytes &&
         file.setOffsets[0] / sector == file.setOffsets[1] / sector;
}

bool ExfatImage::StartCanMove(const DirEntry& file) const { return ChangesInPlace(file); }

std::vector<uint32_t> ExfatImage::LostClusterList() const {
  std::vector<uint32_t> lost;
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    if (InUse(cluster) && !owned_[cluster]) lost.push_back(cluster);
  }
  return lost;
}

void ExfatImage::CountUse() {
  usedClusters_ = 0;
  lostClusters_ = 0;
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    if (!InUse(cluster)) continue;
    ++usedClusters_;
    if (!owned_[cluster]) ++lostClusters_;
  }
}

}  // namespace tarvonel::exfat
