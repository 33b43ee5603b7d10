#pragma once
#include <cstdint>

// The colours of the cluster map, its legend and its marks (0xBBGGRR).
namespace tarvonel::map_colour {
inline constexpr uint32_t kFree = 0x004000;
inline constexpr uint32_t kFull = 0x00FF00;
inline constexpr uint32_t kMftZone = 0xC0FFFF;
inline constexpr uint32_t kMft = 0x00C0C0;
inline constexpr uint32_t kFragmented = 0x0000FF;
inline constexpr uint32_t kOptimize = 0xFF0000;
inline constexpr uint32_t kSystemArea = 0xFFC0C0;
inline constexpr uint32_t kLit = 0x00FF00;
inline constexpr uint32_t kDim = 0x004000;
}  // namespace tarvonel::map_colour
