#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// exFAT's 32-byte directory entries and the entry sets they make: a file entry, its stream
// extension, then its name entries (and any benign secondaries).
namespace tarvonel::exfat {

inline constexpr size_t kEntryBytes = 32;
inline constexpr size_t kEntryType = 0;
inline constexpr uint8_t kInUse = 0x80;      // of the entry type
inline constexpr uint8_t kSecondary = 0x40;  // of the entry type
inline constexpr uint8_t kBenign = 0x20;     // of the entry type
inline constexpr uint8_t kEndOfDirectory = 0x00;

// The entry types this reader knows, in use.
enum EntryType : uint8_t {
  kBitmapEntry = 0x81,
  kUpcaseEntry = 0x82,
  kLabelEntry = 0x83,
  kFileEntry = 0x85,
  kStreamEntry = 0xC0,
  kNameEntry = 0xC1,
  kVendorAllocation = 0xE1,
};

// The file entry.
inline constexpr size_t kSecondaryCount = 1;
inline constexpr size_t kSetChecksum = 2;    // 2 bytes
inline constexpr size_t kFileAttributes = 4;  // 2 bytes
inline constexpr uint16_t kAttributeBits = 0x37;
inline constexpr uint8_t kDirectoryAttribute = 0x10;
inline constexpr size_t kMinSecondaries = 2;
inline constexpr size_t kMaxSecondaries = 18;

// The stream extension; its flags, first cluster and data length stand where the other
// secondaries that own clusters (the vendor allocation) keep theirs.
inline constexpr size_t kStreamFlags = 1;         // GeneralSecondaryFlags
inline constexpr uint8_t kNoFatChain = 0x02;      // of the flags: the clusters are one run, unchained
inline constexpr size_t kStreamNameLength = 3;
inline constexpr size_t kStreamValidDataLength = 8;  // 8 bytes
inline constexpr size_t kStreamFirstCluster = 20;    // 4 bytes
inline constexpr size_t kStreamDataLength = 24;      // 8 bytes
// The bytes one write changes when a set's start moves in place: from the checksum in the
// file entry to the end of the stream extension's first cluster.
inline constexpr size_t kSwitchBytes = kEntryBytes + kStreamFirstCluster + 4 - kSetChecksum;

// A name entry: 15 UTF-16 units.
inline constexpr size_t kNameUnits = 2;
inline constexpr size_t kUnitsPerNameEntry = 15;

// The allocation bitmap's and up-case table's entries: first cluster and length as the stream
// extension has them; the up-case table's checksum.
inline constexpr size_t kUpcaseChecksum = 4;  // 4 bytes
// The volume label entry: its length in units, then up to 11 of them.
inline constexpr size_t kLabelLength = 1;
inline constexpr size_t kLabelUnits = 2;
inline constexpr size_t kMaxLabelLength = 11;

inline constexpr uint64_t kMaxDirectoryBytes = 256ull << 20;  // the largest folder exFAT allows

inline constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
inline constexpr uint32_t kBadCluster = 0xFFFFFFF7;
inline constexpr size_t kFatEntryBytes = 4;

// The entry set's checksum over its bytes, the checksum field itself left out.
uint16_t SetChecksum(const uint8_t* set, size_t entries);

// Where a set of `entries` entries can be written whole inside one sector of a folder whose
// entries are `folder`: the index of the first of a run of entries not in use and not `taken`.
// The run lies before the folder's end marker, or, when `mayUseEnd`, may also take the end
// marker and the unused entries after it in the marker's own sector (never beyond: a set behind
// an unused entry is invisible, and would surface when that entry is used).
std::optional<size_t> FreeRunForSet(const std::vector<uint8_t>& folder, size_t entries, size_t sectorBytes,
                                    bool mayUseEnd, const std::function<bool(size_t)>& taken);

}  // namespace tarvonel::exfat
