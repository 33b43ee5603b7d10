#include "filesystems/fat/dir_entry.h"

#include "base/ascii.h"
#include "base/little_endian.h"
#include "base/text_encoding.h"

namespace tarvonel::fat::dir_entry {

bool IsDotEntry(const uint8_t* entry) {
  return entry[0] == '.' && (entry[1] == ' ' || (entry[1] == '.' && entry[2] == ' '));
}

uint32_t FirstCluster(const uint8_t* entry, bool fat32) {
  return le::U16(entry + kFirstClusterLow) | (fat32 ? uint32_t{le::U16(entry + kFirstClusterHigh)} << 16 : 0);
}

void PutFirstCluster(uint8_t* entry, uint32_t cluster, bool fat32) {
  if (fat32) le::Put16(entry + kFirstClusterHigh, static_cast<uint16_t>(cluster >> 16));
  le::Put16(entry + kFirstClusterLow, static_cast<uint16_t>(cluster));
}

uint32_t FileSize(const uint8_t* entry) { return le::U32(entry + kFileSize); }

std::string ShortName(const uint8_t* entry) {
  auto part = [&](size_t from, size_t length, bool lower) {
    std::vector<uint8_t> units;  // UTF-16 LE
    for (size_t i = from; i < from + length; ++i) {
      uint8_t c = entry[i];
      if (i == kName && c == kStandsForE5) c = kDeleted;
      if (lower) c = static_cast<uint8_t>(AsciiLower(static_cast<char>(c)));
      units.push_back(c);
      units.push_back(0);
    }
    std::string text = Utf16LeToUtf8(units.data(), units.size() / 2);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  };
  const std::string base = part(kName, 8, (entry[kCaseFlags] & kLowerCaseBase) != 0);
  const std::string extension = part(kName + 8, 3, (entry[kCaseFlags] & kLowerCaseExtension) != 0);
  return extension.empty() ? base : base + "." + extension;
}

uint8_t ShortNameChecksum(const uint8_t* entry) {
  uint8_t sum = 0;
  for (size_t i = 0; i < kNameLength; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[kName + i]);
  return sum;
}

void LongName::Reset() {
  pieces_.clear();
  expected_ = 0;
}

void LongName::Add(const uint8_t* slot) {
  const int ordinal = slot[kSlotOrdinal] & kOrdinalBits;
  if ((slot[kSlotOrdinal] & kLastSlot) != 0) {
    Reset();
    expected_ = ordinal;
    checksum_ = slot[kSlotChecksum];
    pieces_.assign(static_cast<size_t>(ordinal), {});
  }
  if (expected_ == 0 || ordinal < 1 || ordinal > expected_ || slot[kSlotChecksum] != checksum_) {
    Reset();
    return;
  }
  std::vector<uint8_t> units;
  for (size_t at : kSlotUnitOffsets) units.insert(units.end(), slot + at, slot + at + 2);
  pieces_[static_cast<size_t>(ordinal - 1)] = units;
}

std::string LongName::For(const uint8_t* entry) const {
  if (expected_ == 0 || checksum_ != ShortNameChecksum(entry)) return {};
  std::vector<uint8_t> units;
  for (const auto& piece : pieces_) {
    if (piece.empty()) return {};
    units.insert(units.end(), piece.begin(), piece.end());
  }
  size_t length = 0;  // up to the terminating NUL
  while (length < units.size() / 2 && (units[2 * length] | units[2 * length + 1]) != 0) ++length;
  return Utf16LeToUtf8(units.data(), length);
}

}  // namespace tarvonel::fat::dir_entry
