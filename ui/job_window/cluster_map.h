#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/map_colours.h"

namespace tarvonel {

class DrawingSurface;
class ExtentReader;
class Label;
class VolumeIo;
class Toolkit;
class VolumeConstants;
struct FragmentedFiles;
struct JobFlags;
struct JobSettings;
struct PlacementLists;
struct VolumeGeometry;

// One whole-volume bitmap: Bitmap[i] is the record's byte i + 1 (LCNs 8i to 8i + 7, bit 0
// first, set = used); it holds TotalClusters / 8 + 17 bytes, the last 16 zero.
struct MapBitmapRecord {
  int64_t StartingLcn = 0;
  int64_t BitmapSize = 0;
  std::vector<uint8_t> Bitmap;
};

// Each channel of a and b mixed: (1 - f) * b + f * a, rounded half to even. Colours 0xBBGGRR.
uint32_t BlendColour(uint32_t a, uint32_t b, float f);

// The one-row picture of the volume: a base map from the whole bitmap, and marks on top.
class ClusterMap {
 public:
  struct Lists {
    const PlacementLists& placement;
    const FragmentedFiles& fragmented;
  };

  ClusterMap(VolumeIo& io, Toolkit& toolkit, const JobSettings& settings, const JobFlags& flags,
             const VolumeGeometry& geometry, VolumeConstants& constants, ExtentReader& extents,
             DrawingSurface& surface, Label& redrawMark, Lists lists);

  // Reads the whole bitmap through a volume handle of its own and draws the base map; tells
  // the user when the drive cannot be opened or read, and leaves the map as it was.
  void RefreshMapBitmap(const std::string& drive);
  void DrawVolumeMap(const MapBitmapRecord& record);
  // Paints the column of `lcn`: the nearest column, halves to even. Not refreshed on screen.
  void teken_plaatje(int32_t lcn, uint32_t colour);
  // Redraws the base map and repaints every list's marks.
  void RedrawClusterMap();

  int32_t BytesPerColumn() const { return bytesPerColumn_; }
  int32_t ClustersPerColumn() const { return clustersPerColumn_; }

 private:
  void PaintList(const std::vector<std::string>& paths, uint32_t colour, bool periodicRefresh);

  VolumeIo& io_;
  Toolkit& toolkit_;
  const JobSettings& settings_;
  const JobFlags& flags_;
  const VolumeGeometry& geometry_;
  VolumeConstants& constants_;
  ExtentReader& extents_;
  DrawingSurface& surface_;
  Label& redrawMark_;
  Lists lists_;
  int32_t bytesPerColumn_ = 0;
  int32_t clustersPerColumn_ = 0;
};

}  // namespace tarvonel
