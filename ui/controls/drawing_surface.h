#pragma once
#include <cstdint>
#include <vector>

namespace tarvonel {

// Where the cluster map draws: full-height vertical lines, one pixel wide. Colours are
// 0x00BBGGRR.
class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void Clear() = 0;
  virtual void VerticalLine(int x, uint32_t colour) = 0;
  // Show what was drawn so far on screen.
  virtual void Refresh() = 0;
};

// A surface in memory: since the map draws only full-height lines, a column's colour is all
// its pixels. Tests and the console read it; a window paints from it.
class ColumnSurface : public DrawingSurface {
 public:
  ColumnSurface(int width, int height) : height_(height), columns_(static_cast<size_t>(width), kBlank) {}

  static constexpr uint32_t kBlank = 0xFFFFFFFF;  // cleared: the picture's background

  int Width() const override { return static_cast<int>(columns_.size()); }
  int Height() const override { return height_; }
  void Clear() override { columns_.assign(columns_.size(), kBlank); }
  void VerticalLine(int x, uint32_t colour) override {
    if (x >= 0 && x < Width()) columns_[static_cast<size_t>(x)] = colour;
  }
  void Refresh() override { ++refreshes_; }

  uint32_t Column(int x) const { return columns_.at(static_cast<size_t>(x)); }
  int Refreshes() const { return refreshes_; }
  void Resize(int width, int height) {
    columns_.assign(static_cast<size_t>(width), kBlank);
    height_ = height;
  }

 private:
  int height_;
  std::vector<uint32_t> columns_;
  int refreshes_ = 0;
};

}  // namespace tarvonel
