#include "filesystems/exfat/entry_set.h"

namespace tarvonel::exfat {

uint16_t SetChecksum(const uint8_t* set, size_t entries) {
  uint16_t sum = 0;
  for (size_t i = 0; i < entries * kEntryBytes; ++i) {
    if (i == kSetChecksum || i == kSetChecksum + 1) continue;
    sum = static_cast<uint16_t>(((sum & 1) != 0 ? 0x8000u : 0u) + (sum >> 1) + set[i]);
  }
  return sum;
}

std::optional<size_t> FreeRunForSet(const std::vector<uint8_t>& folder, size_t entries, size_t sectorBytes,
                                           bool mayUseEnd, const std::function<bool(size_t)>& taken) {
  const size_t total = folder.size() / kEntryBytes;
  const size_t perSector = sectorBytes / kEntryBytes;
  size_t run = 0;  // free entries up to here, in this sector
  for (size_t i = 0; i < total; ++i) {
    if (i % perSector == 0) run = 0;
    const uint8_t type = folder[i * kEntryBytes + kEntryType];
    if (type == kEndOfDirectory) {
      // The end marker: every entry after it must be unused too, or a set written here would
      // bring what lies behind it back into the folder.
      for (size_t j = i; j < total; ++j) {
        if (folder[j * kEntryBytes + kEntryType] != kEndOfDirectory) return std::nullopt;
      }
      if (!mayUseEnd) return std::nullopt;
      for (size_t j = i; j < total && j / perSector == i / perSector && !taken(j); ++j) {
        if (++run == entries) return j + 1 - entries;
      }
      return std::nullopt;
    }
    run = (type & kInUse) == 0 && !taken(i) ? run + 1 : 0;
    if (run == entries) return i + 1 - entries;
  }
  return std::nullopt;
}

}  // namespace tarvonel::exfat
