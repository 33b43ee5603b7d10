#include "front/linux/tool/map_png.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tarvonel {

RgbPicture::RgbPicture(int w, int h, uint32_t fill) : width(w), height(h) {
  rgb.resize(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)) * 3);
  Fill(0, 0, w, h, fill);
}

void RgbPicture::Fill(int x, int y, int w, int h, uint32_t colour) {
  for (int row = std::max(y, 0); row < std::min(y + h, height); ++row) {
    for (int column = std::max(x, 0); column < std::min(x + w, width); ++column) {
      uint8_t* pixel = &rgb[(static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)) * 3];
      pixel[0] = static_cast<uint8_t>(colour >> 16);
      pixel[1] = static_cast<uint8_t>(colour >> 8);
      pixel[2] = static_cast<uint8_t>(colour);
    }
  }
}

std::string WritePng(const RgbPicture& picture, const std::string& path) {
  if (picture.width <= 0 || picture.height <= 0) return "the picture has no size";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return "cannot write " + path;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return "out of memory";
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return "cannot write " + path;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    png_write_row(png, &picture.rgb[static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3]);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  // A full disk shows only when the file is closed.
  return std::fclose(file) == 0 ? std::string() : "cannot write " + path;
}

}  // namespace tarvonel
