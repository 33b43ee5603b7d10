#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The 32-byte FAT directory entry, and the long-name slots that may stand before it.
namespace tarvonel::fat::dir_entry {

inline constexpr size_t kBytes = 32;
inline constexpr size_t kName = 0;               // 8 + 3 bytes, padded with spaces
inline constexpr size_t kNameLength = 11;
inline constexpr size_t kAttributes = 11;
inline constexpr size_t kCaseFlags = 12;         // Windows NT: the base or extension is lower case
inline constexpr size_t kFirstClusterHigh = 20;  // 2 bytes, FAT32 only
inline constexpr size_t kFirstClusterLow = 26;   // 2 bytes
inline constexpr size_t kFileSize = 28;          // 4 bytes
// The first-cluster fields and what lies between them: one write changes both.
inline constexpr size_t kFirstClusterSpan = kFirstClusterLow + 2 - kFirstClusterHigh;

inline constexpr uint8_t kEndOfDirectory = 0x00;  // in the name's first byte: no entry follows
inline constexpr uint8_t kDeleted = 0xE5;
inline constexpr uint8_t kStandsForE5 = 0x05;     // a name that starts with 0xE5
inline constexpr uint8_t kLowerCaseBase = 0x08;   // of the case flags
inline constexpr uint8_t kLowerCaseExtension = 0x10;
inline constexpr uint8_t kAttrVolumeLabel = 0x08;
inline constexpr uint8_t kAttrDirectory = 0x10;
inline constexpr uint8_t kAttrLongName = 0x0F;    // read-only, hidden, system and label: a long-name slot

// A long-name slot: its ordinal (the last slot of a name, stored first, also has kLastSlot), 13
// UTF-16 units in three pieces, and the short name's checksum.
inline constexpr size_t kSlotOrdinal = 0;
inline constexpr uint8_t kLastSlot = 0x40;
inline constexpr uint8_t kOrdinalBits = 0x1F;
inline constexpr size_t kSlotChecksum = 13;
inline constexpr size_t kSlotUnitOffsets[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

// Whether the entry is "." or "..", which name the folder itself and its parent.
bool IsDotEntry(const uint8_t* entry);
// The first cluster; its high half is read only on FAT32, where the field is defined.
uint32_t FirstCluster(const uint8_t* entry, bool fat32);
void PutFirstCluster(uint8_t* entry, uint32_t cluster, bool fat32);
uint32_t FileSize(const uint8_t* entry);
// The 8.3 name with the lower-case flags Windows NT writes; bytes above 127 as Latin-1.
std::string ShortName(const uint8_t* entry);
// The checksum of the short name that its long-name slots carry.
uint8_t ShortNameChecksum(const uint8_t* entry);

// The long-name slots seen so far, for the short entry that follows them.
class LongName {
 public:
  void Reset();
  void Add(const uint8_t* slot);
  // The name for `entry`, or empty when the slots do not belong to it.
  std::string For(const uint8_t* entry) const;

 private:
  std::vector<std::vector<uint8_t>> pieces_;  // by ordinal - 1, UTF-16 LE
  int expected_ = 0;                            // slots the name has; 0: none pending
  uint8_t checksum_ = 0;
};

}  // namespace tarvonel::fat::dir_entry
