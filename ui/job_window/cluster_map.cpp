#include "ui/job_window/cluster_map.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "analysis/fragmented_files.h"
#include "analysis/volume_constants.h"
#include "base/job_flags.h"
#include "base/job_settings.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "ui/controls/controls.h"
#include "ui/controls/drawing_surface.h"
#include "ui/controls/toolkit.h"
#include "version.h"
#include "volume/catalogue.h"
#include "volume/extents.h"
#include "volume/free_runs.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

constexpr int kColumnsPerRefresh = 10;
constexpr size_t kMarksPerRefresh = 100;

uint32_t Channel(uint32_t colour, int shift) { return (colour >> shift) & 0xFF; }

// Used clusters among `count` bitmap bytes: whole words at a time, with no bit-by-bit test.
int64_t UsedClusters(const uint8_t* bytes, size_t count) {
  int64_t used = 0;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    used += std::popcount(word);
  }
  for (; i < count; ++i) used += std::popcount(static_cast<unsigned>(bytes[i]));
  return used;
}

}  // namespace

uint32_t BlendColour(uint32_t a, uint32_t b, float f) {
  uint32_t result = 0;
  for (int shift : {0, 8, 16}) {
    const float mixed = (1.0f - f) * static_cast<float>(Channel(b, shift)) + static_cast<float>(Channel(a, shift)) * f;
    result |= static_cast<uint32_t>(std::nearbyint(mixed)) << shift;
  }
  return result;
}

ClusterMap::ClusterMap(VolumeIo& io, Toolkit& toolkit, const JobSettings& settings, const JobFlags& flags,
                       const VolumeGeometry& geometry, VolumeConstants& constants, ExtentReader& extents,
                       DrawingSurface& surface, Label& redrawMark, Lists lists)
    : io_(io),
      toolkit_(toolkit),
      settings_(settings),
      flags_(flags),
      geometry_(geometry),
      constants_(constants),
      extents_(extents),
      surface_(surface),
      redrawMark_(redrawMark),
      lists_(lists) {}

void ClusterMap::RefreshMapBitmap(const std::string& drive) {
  OpenResult opened = io_.OpenPath("\\\\.\\" + drive, win32::kGenericRead, win32::kFileShareReadWrite, 0);
  if (!opened.handle) {
    toolkit_.MsgBox("Error opening the drive.\r\nClose some applications and try again.", MsgBoxButtons::OK,
                    MsgBoxIcon::Critical, kProgramName);
    return;
  }
  // No cluster count (the free-space query failed, or the volume is too large for the
  // engine) means no bitmap to read: the same message as a failed read.
  const std::optional<int32_t> total = constants_.ComputeVolumeConstants(drive);
  // The buffer holds the whole bitmap as the volume counts it, not the free-space query's
  // total, which under a disk quota is the user's share; and never less than the record
  // itself, which FAT refuses (a volume of 55 clusters or fewer).
  const std::optional<int64_t> clusters = total ? BitmapClusterCount(io_, *opened.handle) : std::nullopt;
  const bool readable = clusters && *clusters <= kMaxVolumeClusters;
  const size_t bufferBytes =
      readable ? std::max(record::kBitmapRecordSize, static_cast<size_t>(*clusters / 8 + 17)) : 0;
  std::vector<uint8_t> buffer(bufferBytes);
  uint32_t returned = 0;
  std::array<uint8_t, 8> input{};
  const uint32_t error =
      readable ? io_.DeviceIoControl(*opened.handle, win32::kFsctlGetVolumeBitmap, input.data(), 8, buffer.data(),
                                     static_cast<uint32_t>(buffer.size()), returned)
               : win32_error::kNotReady;
  opened.handle.reset();
  if (error != win32_error::kSuccess) {
    toolkit_.MsgBox("Error reading the drive information.", MsgBoxButtons::OK, MsgBoxIcon::Critical, kProgramName);
    return;
  }
  MapBitmapRecord record;
  record.StartingLcn = le::I64(buffer.data());
  record.BitmapSize = le::I64(buffer.data() + 8);
  record.Bitmap.assign(buffer.size(), 0);
  std::memcpy(record.Bitmap.data(), buffer.data() + record::kBitmapHeader, buffer.size() - record::kBitmapHeader);
  DrawVolumeMap(record);
}

void ClusterMap::DrawVolumeMap(const MapBitmapRecord& record) {
  surface_.Clear();
  const int width = surface_.Width();
  const auto bytes = static_cast<int64_t>(record.Bitmap.size());
  // Fewer bitmap bytes than columns would make 0 bytes per column: draw one column per byte
  // then, and leave the columns past the volume's end blank.
  bytesPerColumn_ = static_cast<int32_t>(width > 0 && bytes >= width ? bytes / width : 1);
  clustersPerColumn_ = bytesPerColumn_ * 8;
  const int columns = static_cast<int>(std::min<int64_t>(width, bytes / bytesPerColumn_));
  redrawMark_.SetForeColor(map_colour::kLit);
  toolkit_.DoEvents();

  for (int x = 0; x < columns; ++x) {
    const size_t first = static_cast<size_t>(bytesPerColumn_) * static_cast<size_t>(x);
    const int64_t used = UsedClusters(record.Bitmap.data() + first, static_cast<size_t>(bytesPerColumn_));
    const float fill = static_cast<float>(used) / static_cast<float>(clustersPerColumn_);
    surface_.VerticalLine(x, BlendColour(map_colour::kFull, map_colour::kFree, fill));
    if (x % kColumnsPerRefresh == 0) surface_.Refresh();
  }
  surface_.Refresh();

  // The zone's columns once each: the same picture as a mark at every BytesPerColumn step.
  // A zone of no clusters (FAT, or nothing read yet) is not a zone and gets no mark.
  if (geometry_.MftZoneStart < geometry_.MftZoneEnd) {
    const int64_t span = geometry_.MftZoneEnd - geometry_.MftZoneStart;
    const int64_t lastLcn = geometry_.MftZoneStart + span / bytesPerColumn_ * bytesPerColumn_;
    const auto firstColumn = static_cast<int64_t>(std::nearbyint(geometry_.MftZoneStart / double(clustersPerColumn_)));
    const auto lastColumn = static_cast<int64_t>(std::nearbyint(static_cast<double>(lastLcn) / clustersPerColumn_));
    for (int64_t column = firstColumn; column <= lastColumn && column < width; ++column) {
      toolkit_.DoEvents();
      surface_.VerticalLine(static_cast<int>(column), map_colour::kMftZone);
      toolkit_.DoEvents();
    }
  }
  if (geometry_.FileSystemName == "NTFS") {
    const ExtentList mft = extents_.ReadExtents(settings_.DriveRoot.substr(0, 2) + "\\$MFT", false, false);
    int64_t previousVcn = 0;
    for (const Extent& extent : mft.Extents) {
      const int64_t length = extent.NextVcn - previousVcn;
      previousVcn = extent.NextVcn;
      if (extent.Lcn < 0) continue;
      for (int64_t lcn = extent.Lcn; lcn <= extent.Lcn + length; lcn += clustersPerColumn_) {
        toolkit_.DoEvents();
        teken_plaatje(static_cast<int32_t>(lcn), map_colour::kMft);
        toolkit_.DoEvents();
      }
    }
  }
  surface_.Refresh();
  toolkit_.DoEvents();
  redrawMark_.SetForeColor(map_colour::kDim);
  toolkit_.DoEvents();
}

void ClusterMap::teken_plaatje(int32_t lcn, uint32_t colour) {
  if (clustersPerColumn_ == 0) return;  // no base map drawn yet
  const auto x = static_cast<int64_t>(std::nearbyint(static_cast<double>(lcn) / clustersPerColumn_));
  if (x < 0 || x >= surface_.Width()) return;
  surface_.VerticalLine(static_cast<int>(x), colour);
}

void ClusterMap::PaintList(const std::vector<std::string>& paths, uint32_t colour, bool periodicRefresh) {
  for (size_t i = 0; i < paths.size(); ++i) {
    if (periodicRefresh && i % kMarksPerRefresh == 0) surface_.Refresh();
    toolkit_.DoEvents();
    if (!paths[i].empty()) teken_plaatje(extents_.FirstLcn(paths[i]), colour);
  }
}

void ClusterMap::RedrawClusterMap() {
  redrawMark_.SetForeColor(map_colour::kLit);
  toolkit_.DoEvents();
  RefreshMapBitmap(settings_.DriveRoot.substr(0, 2));
  if (flags_.CatalogueComplete) {
    PaintList(lists_.placement.prefetch_files, map_colour::kSystemArea, true);
    PaintList(lists_.placement.dirs_to_move, map_colour::kSystemArea, true);
    PaintList(lists_.placement.optimize_files, map_colour::kOptimize, true);
  }
  PaintList(lists_.fragmented.names, map_colour::kFragmented, false);
  surface_.Refresh();
  toolkit_.DoEvents();
  surface_.Refresh();
  redrawMark_.SetForeColor(map_colour::kDim);
  toolkit_.DoEvents();
}

}  // namespace tarvonel
