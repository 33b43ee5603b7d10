#include "volume/catalogue.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/job_flags.h"
#include "base/text_encoding.h"
#include "base/volume_zones.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "volume/file_open.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"
#include "volume/walk_progress.h"

namespace tarvonel {
namespace {

constexpr size_t kFragmentedReserve = 10000;
constexpr size_t kDirsReserve = 10000;
constexpr size_t kFilesReserve = 100000;
constexpr uint32_t kStreamBufferStep = 4096;
// More than the stream list of any real file needs; a driver that keeps asking for more past
// it is not answered (found by fuzzing: it grew the buffer until memory ran out).
constexpr uint32_t kStreamBufferLimit = 16u << 20;

int32_t FirstExtentLcn(const ExtentList& list) {
  return list.Extents.empty() ? 0 : static_cast<int32_t>(list.Extents.front().Lcn);
}

}  // namespace

// One directory being listed: the walk keeps its own stack instead of recursing, so that a
// deep tree cannot exhaust the thread's stack.
struct Catalogue::Level {
  std::string dirPath;
  std::unique_ptr<OsFindHandle> search;
  bool started = false;
};

Catalogue::Catalogue(VolumeIo& io, JobEvents& events, ExtentReader& extents, JobFlags& flags,
                     const VolumeGeometry& geometry, const VolumeZones& zones, const std::string& prefetchDir)
    : io_(io),
      events_(events),
      extents_(extents),
      flags_(flags),
      geometry_(geometry),
      zones_(zones),
      prefetchDir_(prefetchDir) {}

void Catalogue::BeginTopLevel(FragmentedPaths& fragmented) {
  FragmentedCount = 0;
  fragmented.assign(1, std::string());
  fragmented.reserve(kFragmentedReserve);
  if (flags_.CollectPlacementLists) {
    Lists = PlacementLists{};
    Lists.dirs_to_move.reserve(kDirsReserve);
    Lists.move_out_files.reserve(kFilesReserve);
    Lists.optimize_files.reserve(kFilesReserve);
    Lists.prefetch_files.reserve(kDirsReserve);
  }
}

void Catalogue::ReleaseLists(FragmentedPaths& fragmented) {
  FragmentedPaths().swap(fragmented);
  Lists = PlacementLists{};
}

void Catalogue::FinishDirectory(FragmentedPaths& fragmented) {
  fragmented.resize(static_cast<size_t>(FragmentedCount) + 2);  // the empty last slot
  if (flags_.CollectPlacementLists) flags_.CatalogueComplete = true;
}

void Catalogue::WalkDirectory(const std::string& dirPath, FragmentedPaths& fragmented, bool isTop) {
  std::vector<Level> levels;
  levels.push_back({dirPath, nullptr, false});
  bool topLevel = isTop;
  while (!levels.empty()) {
    Level& level = levels.back();
    FindEntry entry;
    uint32_t error = 0;
    if (!level.started) {
      level.started = true;
      if (flags_.StopRequested) {
        ReleaseLists(fragmented);
        levels.pop_back();
        continue;
      }
      if (std::exchange(topLevel, false)) BeginTopLevel(fragmented);
      // The long form, as for file opens: a plain search path fails past MAX_PATH characters, and
      // on a folder whose name ends in a dot or a space, which the plain form trims away.
      level.search = io_.FindFirst(kLongPathPrefix + level.dirPath + "*", entry, error);
      if (!level.search) {
        FinishDirectory(fragmented);
        levels.pop_back();
        continue;
      }
    } else {
      if (!io_.FindNext(*level.search, entry, error)) {
        level.search.reset();
        FinishDirectory(fragmented);
        levels.pop_back();
        continue;
      }
      if (flags_.StopRequested) {
        levels.pop_back();  // closes the search; no end-of-directory step
        continue;
      }
    }
    std::string subdirectory = VisitEntry(level.dirPath, entry, fragmented);
    if (!subdirectory.empty()) levels.push_back({std::move(subdirectory), nullptr, false});
  }
}

std::string Catalogue::VisitEntry(const std::string& dirPath, const FindEntry& entry, FragmentedPaths& fragmented) {
  // Junctions, symbolic links and mount points are never followed or catalogued.
  if (entry.attributes & win32::kAttributeReparsePoint) return {};
  const std::string path = dirPath + entry.name;
  if (entry.attributes & win32::kAttributeDirectory) {
    if (entry.name.empty() || entry.name[0] == '.') return {};
    return VisitDirectory(path, fragmented);
  }
  VisitFile(path, fragmented);
  return {};
}

std::string Catalogue::VisitDirectory(const std::string& path, FragmentedPaths& fragmented) {
  ++DirectoryCount;
  const ExtentList list = extents_.ReadExtents(path, true, true);
  int32_t firstLcn = FirstExtentLcn(list);
  if (list.ExtentCount > 1) AddFragmented(path, fragmented);
  if (flags_.CollectPlacementLists) {
    if (firstLcn < 2) firstLcn = extents_.FirstLcn(path);
    if (firstLcn > 0) Lists.dirs_to_move.push_back(path);
    if (firstLcn > 0 && !InPrefetchFolder(path) && firstLcn < zones_.EndReserved) {
      Lists.move_out_files.push_back(path);
    }
  }
  events_.YieldToUser();
  return path + "\\";
}

void Catalogue::VisitFile(const std::string& path, FragmentedPaths& fragmented) {
  ++FileCount;
  const ExtentList list = extents_.ReadExtents(path, true, true);
  int32_t firstLcn = FirstExtentLcn(list);
  if (list.ExtentCount > 1) AddFragmented(path, fragmented);
  if (!list.Opened || !flags_.CollectPlacementLists) return;
  if (firstLcn < 2) firstLcn = extents_.FirstLcn(path);
  if (firstLcn > 0 && firstLcn < zones_.EndReserved) Lists.move_out_files.push_back(path);
  // A file that meets both tests is listed twice.
  if (InMftZone(firstLcn)) Lists.move_out_files.push_back(path);
  if (firstLcn > 0 && !InPrefetchFolder(path) && firstLcn > zones_.OptimizeAreaStart) {
    Lists.optimize_files.push_back(path);
  }
  if (QueryStreams(path)) VisitStreams();
}

void Catalogue::VisitStreams() {
  for (const std::string& stream : StreamNames) {
    const ExtentList list = extents_.ReadExtents(stream, true, true);
    const int32_t lcn = FirstExtentLcn(list);
    if (!list.Opened || !flags_.CollectPlacementLists) continue;
    if (lcn >= 1 && !InPrefetchFolder(stream) && lcn < zones_.EndReserved) Lists.move_out_files.push_back(stream);
    if (InMftZone(lcn)) Lists.move_out_files.push_back(stream);
    if (lcn >= 1 && lcn > zones_.OptimizeAreaStart) Lists.optimize_files.push_back(stream);
  }
}

void Catalogue::AddFragmented(const std::string& path, FragmentedPaths& fragmented) {
  ++FragmentedCount;
  fragmented.resize(static_cast<size_t>(FragmentedCount) + 1);
  fragmented[static_cast<size_t>(FragmentedCount)] = path;
}

bool Catalogue::InPrefetchFolder(const std::string& path) const {
  // A volume with no prefetch folder (a card, with no Windows on it) has no file in it: an
  // empty prefix would otherwise take every file for one and leave Compact nothing to move.
  return !prefetchDir_.empty() && path.compare(0, prefetchDir_.size(), prefetchDir_) == 0;
}

bool Catalogue::InMftZone(int32_t lcn) const { return geometry_.MftZoneStart < lcn && lcn < geometry_.MftZoneEnd; }

bool Catalogue::QueryStreams(const std::string& path) {
  StreamNames.clear();
  OpenResult opened = OpenFileThreeWays(io_, path, FirstOpen::ForStreams);
  if (!opened.handle) return false;

  std::vector<uint8_t>& buffer = streamBuffer_;
  buffer.resize(kStreamBufferStep);
  uint32_t information = 0;
  uint32_t status = 0;
  for (;;) {
    status = io_.NtQueryInformationFile(*opened.handle, buffer.data(), static_cast<uint32_t>(buffer.size()),
                                              win32::kFileStreamInformation, information);
    if (status != win32::kStatusBufferOverflow) break;
    if (buffer.size() >= kStreamBufferLimit) return false;
    buffer.resize(std::min<size_t>(buffer.size() * 2, kStreamBufferLimit));
  }
  if (status != win32::kStatusSuccess) return false;

  // Walk the chain, trusting no offset or length that leaves the bytes the call filled.
  const size_t filled = std::min<size_t>(information, buffer.size());
  size_t offset = 0;
  while (offset + record::kStreamNameOffset <= filled) {
    const uint32_t next = le::U32(buffer.data() + offset);
    const uint32_t nameBytes = le::U32(buffer.data() + offset + 4);
    if (offset + record::kStreamNameOffset + nameBytes > filled) break;
    const std::string name = Utf16LeToUtf8(buffer.data() + offset + record::kStreamNameOffset, nameBytes / 2);
    if (name != "::$DATA" && name != ":encryptable:$DATA" && name.size() > 6) {
      StreamNames.push_back(path + name.substr(0, name.size() - 6));
    }
    if (next == 0) break;
    offset += next;
  }
  return !StreamNames.empty();
}

std::vector<ExtentList> Catalogue::ReadFragmentedExtents(const std::string& dirPath, WalkProgress& progress) {
  FragmentedPaths fragmented;
  progress.StartWalkCounters();
  WalkDirectory(dirPath, fragmented, true);
  progress.StopWalkCounters();
  events_.SetCurrentFile({});
  events_.YieldToUser();
  if (flags_.StopRequested) return {};

  std::vector<ExtentList> table;
  const size_t slots = fragmented.size();  // FragmentedCount + 2
  table.reserve(slots);
  events_.SetProgressMaximum(static_cast<int32_t>(slots));
  events_.SetProgress(0);
  for (size_t i = 0; i < slots; ++i) {
    if (io_.GetInputState()) events_.YieldToUser();
    if (flags_.StopRequested) return table;
    table.push_back(fragmented[i].empty() ? ExtentList{} : extents_.ReadExtents(fragmented[i], false, false));
    if (flags_.StopRequested) return table;
    events_.SetProgress(events_.Progress() + 1);
    if (io_.GetInputState()) events_.YieldToUser();
  }
  return table;
}

}  // namespace tarvonel
