#include "filesystems/fat/fat_image.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "filesystems/boot_sector_fields.h"
#include "filesystems/fat/boot_sector.h"
#include "filesystems/fat/dir_entry.h"
#include "filesystems/fat/fat_table.h"
#include "filesystems/sector_source.h"

namespace tarvonel::fat {
namespace {

constexpr size_t kExtSuperblockMagic = 1024 + 56;  // where ext2/3/4 keep their signature

}  // namespace

FatImage::FatImage(std::shared_ptr<const fs::SectorSource> source)
    : source_(std::move(source)), path_(source_->Name()) {}

std::unique_ptr<FatImage> FatImage::Open(std::shared_ptr<const fs::SectorSource> source) {
  std::unique_ptr<FatImage> image(new FatImage(std::move(source)));
  image->RefuseOtherFileSystems();
  image->ReadLayout();
  image->ReadFat();
  image->root_.attributes = dir_entry::kAttrDirectory;
  image->root_.firstCluster = image->layout_.type == FatType::Fat32 ? image->layout_.rootCluster : 0;
  if (image->layout_.type == FatType::Fat32) image->root_.chain = image->Chain(image->layout_.rootCluster, "the root directory");
  image->ReadDirectory(image->root_, 0);
  image->CheckCopiesAgree();  // after the chains, whose problems are named more precisely
  image->CountLostClusters();
  return image;
}

void FatImage::Fail(const std::string& problem) const { throw VolumeError(path_ + ": " + problem); }

bool FatImage::Read(uint64_t offset, void* buffer, size_t length) { return source_->Read(offset, buffer, length); }

// Another file system's signature names it, where the FAT fields it lacks would only puzzle.
void FatImage::RefuseOtherFileSystems() {
  std::vector<uint8_t> start(2048, 0);
  const size_t have = static_cast<size_t>(std::min<uint64_t>(start.size(), source_->Size()));
  if (!Read(0, start.data(), have)) Fail("cannot be read");
  auto at = [&](size_t offset, std::string_view text) {
    return offset + text.size() <= have &&
           std::memcmp(text.data(), start.data() + offset, text.size()) == 0;  // bytes, not signed chars
  };
  const std::string notFat = ", not a FAT12, FAT16 or FAT32 volume";
  if (at(boot_field::kOemName, boot_field::kExfatOemName)) Fail("is an exFAT volume" + notFat);
  if (at(boot_field::kOemName, boot_field::kNtfsOemName)) Fail("is an NTFS volume" + notFat);
  if (at(kExtSuperblockMagic, "\x53\xEF")) Fail("is an ext2/3/4 volume" + notFat);
  if (have < 512) Fail("too short for a boot sector");
}

std::string FatImage::Label() const { return VolumeLabel(bootSector_.data(), layout_.type); }

void FatImage::CountLostClusters() {
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    const FatEntry::Kind kind = codec_->Read(fat_.data(), cluster).kind;
    if (kind != FatEntry::Kind::Free && kind != FatEntry::Kind::Bad && owner_[cluster] == 0) ++lostClusters_;
  }
}

void FatImage::ReadLayout() {
  bootSector_.assign(512, 0);
  if (!Read(0, bootSector_.data(), bootSector_.size())) Fail("too short for a boot sector");
  try {
    layout_ = ReadBootSector(bootSector_.data(), source_->Size());
  } catch (const VolumeError& problem) {
    Fail(problem.what());
  }
  codec_ = &FatCodec::For(layout_.type);
}

void FatImage::ReadFat() {
  fat_.assign(static_cast<size_t>(layout_.fatBytes), 0);
  if (!Read(layout_.fatOffset, fat_.data(), fat_.size())) Fail("the FAT cannot be read");
  // The clean-shutdown bit in FAT[1] (FAT16 and FAT32) is clear on a volume in use.
  if (const uint32_t clean = codec_->CleanShutdownBit(); clean != 0 && (Next(1) & clean) == 0) layout_.dirty = true;
  owner_.assign(size_t{layout_.dataClusters} + 2, 0);
  usedBits_.assign((size_t{layout_.dataClusters} + 7) / 8, 0);
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) NoteUse(cluster, InUse(cluster));
}

void FatImage::NoteUse(uint32_t cluster, bool used) {
  const uint32_t lcn = cluster - 2;
  uint8_t& byte = usedBits_[lcn / 8];
  const auto bit = static_cast<uint8_t>(1u << (lcn % 8));
  if (((byte & bit) != 0) == used) return;
  byte = static_cast<uint8_t>(byte ^ bit);
  usedClusters_ = used ? usedClusters_ + 1 : usedClusters_ - 1;
}

void FatImage::CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const {
  const auto first = static_cast<size_t>(startLcn / 8);
  const auto bytes = static_cast<size_t>((count + 7) / 8);
  const size_t available = first < usedBits_.size() ? std::min(bytes, usedBits_.size() - first) : 0;
  std::memcpy(out, usedBits_.data() + first, available);
  std::memset(out + available, 0, bytes - available);
  // Bits past `count` in the last byte, and past the volume's end, read as free.
  if (count % 8 != 0) out[bytes - 1] &= static_cast<uint8_t>((1u << (count % 8)) - 1);
}

uint32_t FatImage::Next(uint32_t cluster) const { return codec_->Get(fat_.data(), cluster); }

// A second copy that disagrees with the first is a volume left part-way through an update, or
// damaged: which copy is right is for a check to decide, and a move would write over the
// difference.
void FatImage::CheckCopiesAgree() {
  if (layout_.numFats < 2) return;
  std::vector<uint8_t> second(fat_.size());
  if (!Read(layout_.fatOffset + layout_.fatBytes, second.data(), second.size())) Fail("the second FAT cannot be read");
  if (second == fat_) return;
  // Entries 0 and 1 hold the media byte and status bits, not clusters, and bytes past the last
  // entry are unused.
  for (uint32_t cluster = 2; cluster < layout_.dataClusters + 2; ++cluster) {
    if (codec_->Get(second.data(), cluster) != Next(cluster)) {
      Fail("the two FAT copies differ at cluster " + std::to_string(cluster) +
           " (the volume was left part-way through an update); check it with fsck.fat first");
    }
  }
}

void FatImage::SetCachedNext(uint32_t cluster, uint32_t value) {
  codec_->Put(fat_.data(), cluster, value);
  if (cluster >= 2 && cluster < layout_.dataClusters + 2) NoteUse(cluster, Next(cluster) != 0);
}

const std::vector<uint8_t>& FatImage::CachedFatBytes() const { return fat_; }

std::vector<uint32_t> FatImage::Chain(uint32_t first, const std::string& what) {
  const uint32_t chain = ++chains_;
  std::vector<uint32_t> clusters;
  const uint32_t last = layout_.dataClusters + 1;
  for (uint32_t cluster = first;;) {
    if (cluster < 2 || cluster > last) Fail(what + " points to cluster " + std::to_string(cluster) + ", outside the volume");
    if (owner_[cluster] == chain) Fail(what + " loops back to cluster " + std::to_string(cluster));
    if (owner_[cluster] != 0) Fail(what + " is cross-linked with another file at cluster " + std::to_string(cluster));
    owner_[cluster] = chain;
    clusters.push_back(cluster);
    const FatEntry next = codec_->Read(fat_.data(), cluster);
    switch (next.kind) {
      case FatEntry::Kind::EndOfChain: return clusters;
      case FatEntry::Kind::Free: Fail(what + " runs into the free cluster after cluster " + std::to_string(cluster));
      case FatEntry::Kind::Bad:
      case FatEntry::Kind::Reserved:
        Fail(what + " runs into a bad or reserved cluster after cluster " + std::to_string(cluster));
      case FatEntry::Kind::Next: break;
    }
    cluster = next.next;
  }
}

}  // namespace tarvonel::fat
