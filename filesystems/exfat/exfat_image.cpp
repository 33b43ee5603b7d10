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
using fs::VolumeError;
using le::U32;
using le::U64;

uint32_t TableChecksum(const std::vector<uint8_t>& bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum = ((sum & 1) != 0 ? 0x80000000u : 0u) + (sum >> 1) + b;
  return sum;
}

}  // namespace

ExfatImage::ExfatImage(std::shared_ptr<const fs::SectorSource> source)
    : source_(std::move(source)), path_(source_->Name()) {}

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
