#include "front/linux/map_png.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "ui/controls/drawing_surface.h"

namespace tarvonel {

std::string WriteMapPng(const ColumnSurface& surface, const std::string& path) {
  const int width = surface.Width();
  const int height = surface.Height();
  if (width <= 0 || height <= 0) return "the map has no size";
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return "cannot write " + path;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return "out of memory";
  }
  // Every row is the same: the columns' colours (0x00BBGGRR), blank columns white.
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    const uint32_t colour = surface.Column(x) == ColumnSurface::kBlank ? 0xFFFFFF : surface.Column(x);
    row[3 * static_cast<size_t>(x)] = static_cast<png_byte>(colour & 0xFF);
    row[3 * static_cast<size_t>(x) + 1] = static_cast<png_byte>((colour >> 8) & 0xFF);
    row[3 * static_cast<size_t>(x) + 2] = static_cast<png_byte>((colour >> 16) & 0xFF);
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "cannot write " + path;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return {};
}

}  // namespace tarvonel
