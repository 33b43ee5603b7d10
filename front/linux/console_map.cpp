#include "front/linux/console_map.h"

#include "front/linux/tool/map_png.h"
#include "ui/controls/drawing_surface.h"

namespace tarvonel {

std::string WriteMapPng(const ColumnSurface& surface, const std::string& path) {
  // Every row is the same: the columns' colours (0x00BBGGRR), blank columns white.
  RgbPicture picture(surface.Width(), surface.Height());
  for (int x = 0; x < surface.Width(); ++x) {
    const uint32_t bgr = surface.Column(x) == ColumnSurface::kBlank ? 0xFFFFFF : surface.Column(x);
    const uint32_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    picture.Fill(x, 0, 1, surface.Height(), rgb);
  }
  return WritePng(picture, path);
}

}  // namespace tarvonel
