#pragma once
#include <cmath>
#include <cstdint>

namespace tarvonel {

// Half-to-even rounding to a 32-bit integer; the value must lie in its range.
inline int32_t RoundHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace tarvonel
