#pragma once
#include <cstddef>
#include <vector>

#include "front/linux/tool/map_png.h"
#include "front/linux/tool/tool_volume.h"

namespace tarvonel {

// What a cell of the picture shows, the most telling first: a cell shows the first of these
// that any of its clusters has.
enum class ClusterShade { Named, Fragmented, File, System, Free };

inline constexpr int kPictureWidth = 1200;
inline constexpr int kPictureCellPixels = 4;
inline constexpr int kPictureColumns = kPictureWidth / kPictureCellPixels;
inline constexpr int kPictureRows = 24;

// The shade of every cluster: the named files', the fragmented files' (all their clusters), any
// other file's or folder's, used by nothing listed (the file system's own, lost clusters), free.
std::vector<ClusterShade> ShadeClusters(const std::vector<bool>& inUse, const std::vector<FileLayout>& layouts,
                                        const std::vector<size_t>& named);

// Clusters per cell: every cluster of the volume has a cell, none is left out.
int64_t ClustersPerCell(int64_t clusters);

// The whole volume in cells of a few clusters, row by row, with a scale and a legend below.
RgbPicture DrawVolumePicture(const VolumeFacts& facts, const std::vector<ClusterShade>& shades);

}  // namespace tarvonel
