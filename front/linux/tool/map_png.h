#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tarvonel {

// A picture of `width` x `height` pixels, three bytes (red, green, blue) each, row by row.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  RgbPicture(int w, int h, uint32_t fill = 0xFFFFFF);
  // `colour` is 0xRRGGBB.
  void Fill(int x, int y, int w, int h, uint32_t colour);
};

// Writes the picture as a PNG file; returns an error text, empty on success.
std::string WritePng(const RgbPicture& picture, const std::string& path);

}  // namespace tarvonel
