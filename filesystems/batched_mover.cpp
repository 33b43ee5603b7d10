#include "filesystems/batched_mover.h"

#include <algorithm>

#include "filesystems/cluster_run.h"
#include "filesystems/move_rules.h"
#include "filesystems/sector_source.h"
#include "base/win32_errors.h"

namespace tarvonel::fs {
namespace {

using namespace win32_error;
constexpr uint64_t kCopyBytes = 64 * 1024;  // read and written at once

}  // namespace

BatchedMover::BatchedMover(VolumeModel& volume, VolumeStorage& storage, BatchLimits limits)
    : volume_(volume), storage_(storage), limits_(limits) {}

bool BatchedMover::Write(uint64_t offset, const void* bytes, size_t length) const {
  const Layout& layout = volume_.Geometry();
  const uint64_t volumeBytes = layout.totalSectors * layout.bytesPerSector;
  if (offset > volumeBytes || length > volumeBytes - offset) return false;
  return storage_.Write(offset, bytes, length);
}

uint32_t BatchedMover::ClusterAt(uint64_t offset) const {
  const Layout& layout = volume_.Geometry();
  if (offset < layout.dataOffset) return 0;
  return static_cast<uint32_t>((offset - layout.dataOffset) / layout.ClusterBytes()) + 2;
}

uint32_t BatchedMover::CopyClusters(const std::vector<uint32_t>& old, uint32_t target) const {
  const uint64_t clusterBytes = volume_.Geometry().ClusterBytes();
  const auto copyClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kCopyBytes / clusterBytes));
  std::vector<uint8_t> data;
  uint32_t error = kSuccess;
  ForEachRun(old, copyClusters, [&](ClusterRun run, size_t done) {
    data.resize(static_cast<size_t>(run.count * clusterBytes));
    if (!storage_.Read(volume_.ClusterOffset(run.first), data.data(), data.size())) {
      error = kReadFault;
    } else if (!Write(volume_.ClusterOffset(target + static_cast<uint32_t>(done)), data.data(), data.size())) {
      error = kWriteFault;
    }
    return error == kSuccess;
  });
  return error;
}

bool BatchedMover::HoldsAny(uint32_t first, uint32_t count) const {
  const uint64_t end = std::min<uint64_t>(uint64_t{first} + count, uint64_t{volume_.Geometry().dataClusters} + 2);
  for (uint64_t cluster = first; cluster < end; ++cluster) {
    if (freed_.contains(static_cast<uint32_t>(cluster))) return true;
  }
  return false;
}

bool BatchedMover::MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const {
  if (moves_ == 0) return true;
  if (moves_ >= limits_.moves || pendingBytes_ >= limits_.bytes) return false;
  // A file moves again in a batch only through a FAT entry (a piece of it after another): each
  // of its switches then leads into a whole new run, so any subset of them on the medium reads
  // it whole. Its entry is switched at most once, and a folder's entries are followed once.
  if (movedFiles_.contains(&file) && (SwitchesEntry(file, vcn) || file.IsDirectory())) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (freed_.contains(target + i)) return false;
  }
  const uint32_t last = std::min<uint32_t>(vcn + count, static_cast<uint32_t>(file.chain.size()));
  for (uint32_t i = vcn; i < last; ++i) {
    // Clusters the batch fills hold data only once it is committed.
    if (entryClusters_.contains(file.chain[i]) || targets_.contains(file.chain[i])) return false;
  }
  if (SwitchesEntry(file, vcn)) {
    for (uint32_t holder : EntryClusters(file)) {
      if (freed_.contains(holder) || targets_.contains(holder)) return false;
    }
  }
  return true;
}

uint32_t BatchedMover::Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  const Layout& layout = volume_.Geometry();
  const FatMovePlan plan = PlanFatMove(
      {startVcn, count, targetLcn, layout.dataClusters, static_cast<int64_t>(file.chain.size()), file.IsDirectory(),
       &file == &volume_.Root()},
      [this](int64_t lcn) { return InUse(static_cast<uint32_t>(lcn + 2)); });
  if (plan.error == kInvalidParameter && HoldsAny(targetLcn + 2, count)) {
    // The targets are clusters this batch frees: free once it is committed.
    if (const uint32_t error = Commit()) return error;
    return Move(file, startVcn, targetLcn, count);
  }
  if (plan.error != kSuccess || plan.clusters == 0) return plan.error;
  const auto clusters = static_cast<uint32_t>(plan.clusters);
  const uint32_t target = targetLcn + 2;
  if (!MayJoin(file, startVcn, target, clusters)) {
    if (const uint32_t error = Commit()) return error;
  }
  // Asked before Record changes the file.
  const std::vector<uint32_t> holders = SwitchesEntry(file, startVcn) ? EntryClusters(file) : std::vector<uint32_t>{};
  const std::vector<uint32_t> old(file.chain.begin() + startVcn, file.chain.begin() + startVcn + clusters);
  if (const uint32_t refused = Record(file, startVcn, old, target)) return refused;
  entryClusters_.insert(holders.begin(), holders.end());
  // The old clusters stay in use in the answers until the batch is on the medium: they are
  // free there only once its switches are, and a later move of the batch must not target them.
  freed_.insert(old.begin(), old.end());
  for (uint32_t i = 0; i < clusters; ++i) targets_.insert(target + i);
  movedFiles_.insert(&file);
  pendingBytes_ += clusters * layout.ClusterBytes();
  ++moves_;
  if (moves_ >= limits_.moves || pendingBytes_ >= limits_.bytes) return Commit();
  return kSuccess;
}

uint32_t BatchedMover::Commit() {
  if (moves_ == 0) return kSuccess;
  if (const uint32_t error = WriteBatch()) return error;
  Committed(freed_);
  moves_ = 0;
  pendingBytes_ = 0;
  movedFiles_.clear();
  targets_.clear();
  freed_.clear();
  entryClusters_.clear();
  return kSuccess;
}

}  // namespace tarvonel::fs
