#pragma once
#include <cstdint>

namespace tarvonel {

// The zones of the LCN axis, recomputed at every map refresh.
struct VolumeZones {
  int32_t EndReserved = 0;        // first LCN after the reserved front area (clusters)
  int32_t OptimizeAreaStart = 0;  // files starting above this LCN are optimize candidates
};

}  // namespace tarvonel
