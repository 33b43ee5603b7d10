#pragma once
#include <cstdint>
#include <cstddef>

// The layouts of the platform records the engine parses as bytes (VOLUME_BITMAP_BUFFER,
// RETRIEVAL_POINTERS_BUFFER, NTFS_VOLUME_DATA_BUFFER, FILE_STREAM_INFORMATION, ...); their
// fields are read with base/little_endian.h.
namespace tarvonel::record {

// VOLUME_BITMAP_BUFFER: StartingLcn, BitmapSize, then the bitmap bytes. Its size with the
// one-byte array padded, 24, is the least output buffer FAT accepts (fastfat FatGetVolumeBitmap).
inline constexpr size_t kBitmapHeader = 16;
inline constexpr size_t kBitmapRecordSize = 24;
// RETRIEVAL_POINTERS_BUFFER: ExtentCount (+4 unused), StartingVcn, then {NextVcn, Lcn} pairs.
inline constexpr size_t kRetrievalHeader = 16;
inline constexpr size_t kExtentRecord = 16;
// NTFS_VOLUME_DATA_BUFFER.
inline constexpr size_t kNtfsVolumeDataSize = 96;
inline constexpr size_t kNtfsTotalClusters = 16;
inline constexpr size_t kNtfsMftZoneStart = 80;
inline constexpr size_t kNtfsMftZoneEnd = 88;
// FILE_BASIC_INFORMATION: four times, then FileAttributes; 40 bytes with its padding.
inline constexpr size_t kBasicInformationSize = 40;
inline constexpr size_t kBasicFileAttributes = 32;
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
