#include "platform/sim/sim_volume.h"

#include <iterator>

#include "base/ascii.h"
#include "platform/sim/machine_error.h"
#include "platform/win32_codes.h"

namespace tarvonel {

std::string FoldName(const std::string& name) { return AsciiUpper(name); }

int64_t SimStream::AllocatedClusters() const {
  int64_t clusters = 0;
  for (const SimRun& run : runs) clusters += run.length;
  return clusters;
}

uint32_t SimEntry::Attributes() const {
  uint32_t attributes = extraAttributes;
  if (IsDirectoryLike()) attributes |= win32::kAttributeDirectory;
  if (kind == SimEntryKind::Junction || kind == SimEntryKind::SymbolicLink) {
    attributes |= win32::kAttributeReparsePoint;
  }
  return attributes;
}

SimEntry& SimEntry::AddChild(std::unique_ptr<SimEntry> child) {
  child->parent = this;
  SimEntry& added = *child;
  childByFoldedName.emplace(FoldName(added.name), &added);
  children.push_back(std::move(child));
  return added;
}

SimEntry* SimEntry::Child(const std::string& childName) const {
  auto found = childByFoldedName.find(FoldName(childName));
  return found == childByFoldedName.end() ? nullptr : found->second;
}

std::string SimEntry::PathBelowRoot() const {
  if (parent == nullptr) return {};
  const std::string above = parent->PathBelowRoot();
  return above.empty() ? name : above + "\\" + name;
}

SimVolume::SimVolume(std::string fileSystem, uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                     int64_t totalClusters)
    : fileSystem_(std::move(fileSystem)),
      bytesPerSector_(bytesPerSector),
      sectorsPerCluster_(sectorsPerCluster),
      bitmap_(totalClusters) {
  root_.kind = SimEntryKind::Directory;
  root_.streams.emplace_back();  // every entry has its data (here: index) stream
}

void SimVolume::Claim(const SimEntry* entry, size_t stream, int64_t vcn, int64_t lcn, int64_t length) {
  const std::string who = entry == nullptr ? std::string("metadata clusters") : "entry \"" + entry->PathBelowRoot() + "\"";
  if (length <= 0) throw MachineError(who + ": a run must hold at least one cluster");
  if (lcn < 0 || lcn > TotalClusters() - length) {
    throw MachineError(who + ": clusters " + std::to_string(lcn) + "-" + std::to_string(lcn + length - 1) +
                       " lie outside the volume of " + std::to_string(TotalClusters()) + " clusters");
  }
  // The nearest claim at or before lcn, and the first one after it, are the only ones that
  // can overlap.
  auto next = claims_.lower_bound(lcn);
  auto overlapping = claims_.end();
  if (next != claims_.end() && next->first < lcn + length) overlapping = next;
  if (next != claims_.begin()) {
    auto previous = std::prev(next);
    if (previous->first + previous->second.length > lcn) overlapping = previous;
  }
  if (overlapping != claims_.end()) {
    const SimEntry* other = overlapping->second.entry;
    throw MachineError(who + ": clusters from " + std::to_string(lcn) + " are already held by " +
                       (other == nullptr ? std::string("metadata clusters")
                                         : "entry \"" + other->PathBelowRoot() + "\""));
  }
  claims_.emplace(lcn, SimClaim{entry, stream, vcn, length});
  bitmap_.Set(lcn, length, true);
}

void SimVolume::ClaimTree(const SimEntry& entry) {
  for (size_t s = 0; s < entry.streams.size(); ++s) {
    int64_t vcn = 0;
    for (const SimRun& run : entry.streams[s].runs) {
      if (run.lcn != -1) Claim(&entry, s, vcn, run.lcn, run.length);
      vcn += run.length;
    }
  }
  for (const auto& child : entry.children) ClaimTree(*child);
}

std::vector<SimRun> SimVolume::MetadataRuns() const {
  std::vector<SimRun> runs;
  for (const auto& [lcn, claim] : claims_) {
    if (claim.entry == nullptr) runs.push_back({lcn, claim.length});
  }
  return runs;
}

std::vector<SimRun> SimVolume::UsedRanges() const {
  std::vector<SimRun> ranges;
  for (const auto& [lcn, claim] : claims_) {
    if (!ranges.empty() && ranges.back().lcn + ranges.back().length == lcn) {
      ranges.back().length += claim.length;
    } else {
      ranges.push_back({lcn, claim.length});
    }
  }
  return ranges;
}

const SimClaim* SimVolume::OwnerOf(int64_t lcn) const {
  auto next = claims_.upper_bound(lcn);
  if (next == claims_.begin()) return nullptr;
  const auto& [start, claim] = *std::prev(next);
  return lcn < start + claim.length ? &claim : nullptr;
}

SimEntry* SimVolume::Find(const std::string& pathBelowRoot, bool& missingParent) {
  missingParent = false;
  SimEntry* entry = &root_;
  size_t start = 0;
  while (start < pathBelowRoot.size()) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    const bool last = end >= pathBelowRoot.size() - 1;  // a trailing backslash ends the path
    SimEntry* child = entry->Child(pathBelowRoot.substr(start, end - start));
    if (child == nullptr) {
      missingParent = !last;
      return nullptr;
    }
    entry = child;
    start = end + 1;
  }
  return entry;
}

}  // namespace tarvonel
