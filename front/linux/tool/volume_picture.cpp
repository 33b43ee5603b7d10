#include "front/linux/tool/volume_picture.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace tarvonel {
namespace {

constexpr uint32_t kBackground = 0xF4F4F4;
constexpr uint32_t kInk = 0x202020;
constexpr int kMargin = 8;
constexpr int kGlyphScale = 2;

uint32_t ColourOf(ClusterShade shade) {
  switch (shade) {
    case ClusterShade::Named: return 0x28B43C;
    case ClusterShade::Fragmented: return 0xDC3232;
    case ClusterShade::File: return 0x3C64C8;
    case ClusterShade::System: return 0x8C8C8C;
    case ClusterShade::Free: return 0xFFFFFF;
  }
  return kInk;
}

// A 5 x 7 pixel font for the legend and the scale: each row's five bits, the leftmost highest.
struct Glyph {
  char c;
  std::array<uint8_t, 7> rows;
};
constexpr Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {':', {0, 12, 12, 0, 12, 12, 0}},    {'(', {2, 4, 8, 8, 8, 4, 2}},        {')', {8, 4, 2, 2, 2, 4, 8}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {',', {0, 0, 0, 0, 12, 4, 8}},       {'.', {0, 0, 0, 0, 0, 12, 12}},
    {'/', {1, 1, 2, 4, 8, 16, 16}},      {'=', {0, 0, 31, 0, 31, 0, 0}},      {'%', {24, 25, 2, 4, 8, 19, 3}},
};
constexpr int kGlyphAdvance = 6 * kGlyphScale;

// Draws `text` (upper case) with its top left at x, y; returns the x after it.
int DrawText(RgbPicture& picture, int x, int y, const std::string& text) {
  for (char raw : text) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
    for (const Glyph& glyph : kFont) {
      if (glyph.c != c) continue;
      for (int row = 0; row < 7; ++row) {
        for (int bit = 0; bit < 5; ++bit) {
          if ((glyph.rows[static_cast<size_t>(row)] >> (4 - bit)) & 1) {
            picture.Fill(x + bit * kGlyphScale, y + row * kGlyphScale, kGlyphScale, kGlyphScale, kInk);
          }
        }
      }
    }
    x += kGlyphAdvance;
  }
  return x;
}

int TextWidth(const std::string& text) { return static_cast<int>(text.size()) * kGlyphAdvance; }

std::string SizeText(int64_t bytes) {
  if (bytes >= 10LL * 1024 * 1024) return std::to_string(bytes / (1024 * 1024)) + " MIB";
  if (bytes >= 10LL * 1024) return std::to_string(bytes / 1024) + " KIB";
  return std::to_string(bytes) + " BYTES";
}

}  // namespace

std::vector<ClusterShade> ShadeClusters(const std::vector<bool>& inUse, const std::vector<FileLayout>& layouts,
                                        const std::vector<size_t>& named) {
  std::vector<ClusterShade> shades(inUse.size());
  for (size_t lcn = 0; lcn < inUse.size(); ++lcn) shades[lcn] = inUse[lcn] ? ClusterShade::System : ClusterShade::Free;
  auto paint = [&](const FileLayout& layout, ClusterShade shade) {
    for (const ClusterRun& run : layout.runs) {
      const int64_t end = std::min<int64_t>(run.lcn + run.length, static_cast<int64_t>(shades.size()));
      for (int64_t lcn = std::max<int64_t>(run.lcn, 0); lcn < end; ++lcn) {
        ClusterShade& held = shades[static_cast<size_t>(lcn)];
        held = std::min(held, shade);
      }
    }
  };
  for (const FileLayout& layout : layouts) paint(layout, layout.Fragmented() ? ClusterShade::Fragmented : ClusterShade::File);
  for (size_t index : named) paint(layouts.at(index), ClusterShade::Named);
  return shades;
}

int64_t ClustersPerCell(int64_t clusters) {
  const int64_t cells = int64_t{kPictureColumns} * kPictureRows;
  return std::max<int64_t>(1, (clusters + cells - 1) / cells);
}

RgbPicture DrawVolumePicture(const VolumeFacts& facts, const std::vector<ClusterShade>& shades) {
  const int mapTop = kMargin;
  const int mapHeight = kPictureRows * kPictureCellPixels;
  const int scaleTop = mapTop + mapHeight + 6;
  const int legendTop = scaleTop + 7 * kGlyphScale + 8;
  RgbPicture picture(kPictureWidth + 2 * kMargin, legendTop + 7 * kGlyphScale + kMargin, kBackground);
  picture.Fill(kMargin - 1, mapTop - 1, kPictureWidth + 2, mapHeight + 2, kInk);
  picture.Fill(kMargin, mapTop, kPictureWidth, mapHeight, kBackground);

  const auto clusters = static_cast<int64_t>(shades.size());
  const int64_t perCell = ClustersPerCell(clusters);
  for (int64_t cell = 0; cell * perCell < clusters; ++cell) {
    const int64_t end = std::min(clusters, (cell + 1) * perCell);
    ClusterShade shade = ClusterShade::Free;
    for (int64_t lcn = cell * perCell; lcn < end; ++lcn) shade = std::min(shade, shades[static_cast<size_t>(lcn)]);
    const int x = kMargin + static_cast<int>(cell % kPictureColumns) * kPictureCellPixels;
    const int y = mapTop + static_cast<int>(cell / kPictureColumns) * kPictureCellPixels;
    picture.Fill(x, y, kPictureCellPixels, kPictureCellPixels, ColourOf(shade));
  }

  // The scale: where the map starts and ends, and what one cell holds.
  const std::string first = "CLUSTER " + std::to_string(facts.firstClusterNumber);
  const std::string last = "CLUSTER " + std::to_string(facts.firstClusterNumber + std::max<int64_t>(clusters - 1, 0));
  const std::string cell = "ONE CELL = " + std::to_string(perCell) + (perCell == 1 ? " CLUSTER (" : " CLUSTERS (") +
                           SizeText(perCell * facts.clusterBytes) + "), ROWS LEFT TO RIGHT";
  DrawText(picture, kMargin, scaleTop, first);
  DrawText(picture, kMargin + (kPictureWidth - TextWidth(cell)) / 2, scaleTop, cell);
  DrawText(picture, kMargin + kPictureWidth - TextWidth(last), scaleTop, last);

  const std::pair<ClusterShade, const char*> legend[] = {
      {ClusterShade::Named, "NAMED FILE"}, {ClusterShade::Fragmented, "FRAGMENTED FILE"}, {ClusterShade::File, "FILE OR FOLDER"},
      {ClusterShade::System, "FILE SYSTEM OR LOST"}, {ClusterShade::Free, "FREE"}};
  int x = kMargin;
  for (const auto& [shade, text] : legend) {
    picture.Fill(x, legendTop, 14, 14, kInk);
    picture.Fill(x + 1, legendTop + 1, 12, 12, ColourOf(shade));
    x = DrawText(picture, x + 20, legendTop, text) + 24;
  }
  return picture;
}

}  // namespace tarvonel
