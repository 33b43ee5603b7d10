#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

// Little-endian field access for the platform records the engine parses as bytes
// (VOLUME_BITMAP_BUFFER, RETRIEVAL_POINTERS_BUFFER, NTFS_VOLUME_DATA_BUFFER,
// FILE_STREAM_INFORMATION). Every Windows target is little-endian, and so are the test hosts.
namespace tarvonel::record {

static_assert(std::endian::native == std::endian::little, "record layouts are read as little-endian");

inline uint32_t U32(const uint8_t* bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

inline int64_t I64(const uint8_t* bytes, size_t offset) {
  int64_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

inline void PutU32(uint8_t* bytes, size_t offset, uint32_t value) { std::memcpy(bytes + offset, &value, sizeof value); }
inline void PutI64(uint8_t* bytes, size_t offset, int64_t value) { std::memcpy(bytes + offset, &value, sizeof value); }

// VOLUME_BITMAP_BUFFER: StartingLcn, BitmapSize, then the bitmap bytes.
inline constexpr size_t kBitmapHeader = 16;
// RETRIEVAL_POINTERS_BUFFER: ExtentCount (+4 unused), StartingVcn, then {NextVcn, Lcn} pairs.
inline constexpr size_t kRetrievalHeader = 16;
inline constexpr size_t kExtentRecord = 16;
// NTFS_VOLUME_DATA_BUFFER.
inline constexpr size_t kNtfsVolumeDataSize = 96;
inline constexpr size_t kNtfsTotalClusters = 16;
inline constexpr size_t kNtfsMftZoneStart = 80;
inline constexpr size_t kNtfsMftZoneEnd = 88;
// FILE_STREAM_INFORMATION: NextEntryOffset, StreamNameLength (bytes), sizes, then the name.
inline constexpr size_t kStreamNameOffset = 24;
// STORAGE_PROPERTY_QUERY: PropertyId, QueryType (0: the standard query), one byte, padding.
inline constexpr size_t kPropertyQuerySize = 12;
inline constexpr uint32_t kPropertyStandardQuery = 0;
// DEVICE_SEEK_PENALTY_DESCRIPTOR: Version and Size (every descriptor's header), a BOOLEAN.
inline constexpr size_t kDescriptorHeader = 8;
inline constexpr size_t kSeekPenaltyDescriptorSize = 12;
inline constexpr size_t kIncursSeekPenalty = 8;

// SENDCMDINPARAMS without its data byte; SENDCMDOUTPARAMS: cBufferSize and DRIVERSTATUS, then
// a 512-byte data page.
inline constexpr uint32_t kSmartCommandBlock = 32;
inline constexpr uint32_t kSmartReplyHeader = 16;
inline constexpr uint32_t kSmartDataPage = 512;

}  // namespace tarvonel::record
