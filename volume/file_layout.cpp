#include "volume/file_layout.h"

#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "volume/extents.h"
#include "volume/file_open.h"

namespace tarvonel {

int64_t FileLayout::Clusters() const {
  int64_t total = 0;
  for (const ClusterRun& run : runs) total += run.length;
  return total;
}

std::vector<ClusterRun> RunsOfExtents(const std::vector<Extent>& extents) {
  std::vector<ClusterRun> runs;
  int64_t vcn = 0;
  for (const Extent& extent : extents) {
    const int64_t length = extent.NextVcn - vcn;
    if (length > 0 && extent.Lcn >= 0) {
      ClusterRun* last = runs.empty() ? nullptr : &runs.back();
      if (last != nullptr && last->vcn + last->length == vcn && last->lcn + last->length == extent.Lcn) {
        last->length += length;
      } else {
        runs.push_back({vcn, extent.Lcn, length});
      }
    }
    if (extent.NextVcn > vcn) vcn = extent.NextVcn;
  }
  return runs;
}

FileLayout ReadFileLayout(ExtentReader& extents, const std::string& path, uint64_t size, bool directory) {
  FileLayout layout;
  layout.path = path;
  layout.size = size;
  layout.directory = directory;
  const ExtentList list = extents.ReadExtentsQuiet(path, false);
  layout.runs = RunsOfExtents(list.Extents);
  // An empty file has no extents to read; anything else without them could not be read.
  layout.readable = list.Opened || (size == 0 && !directory);
  return layout;
}

std::vector<FileLayout> WalkFileLayouts(VolumeIo& io, ExtentReader& extents, const std::string& root,
                                        const std::function<bool()>& keepGoing) {
  std::vector<FileLayout> layouts;
  std::vector<std::string> folders{root};
  while (!folders.empty()) {
    if (keepGoing && !keepGoing()) break;
    const std::string folder = folders.back();
    folders.pop_back();
    FindEntry entry;
    uint32_t error = 0;
    std::unique_ptr<OsFindHandle> search = io.FindFirst(kLongPathPrefix + folder + "*", entry, error);
    std::vector<std::string> below;
    for (bool more = search != nullptr; more; more = io.FindNext(*search, entry, error)) {
      if (entry.name == "." || entry.name == "..") continue;
      const bool directory = (entry.attributes & win32::kAttributeDirectory) != 0;
      const std::string path = folder + entry.name;
      layouts.push_back(ReadFileLayout(extents, path, directory ? 0 : entry.size, directory));
      if (directory) below.push_back(path + "\\");
    }
    // Depth first, in listing order.
    folders.insert(folders.end(), below.rbegin(), below.rend());
  }
  return layouts;
}

}  // namespace tarvonel
