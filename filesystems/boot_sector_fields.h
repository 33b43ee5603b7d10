#pragma once
#include <cstddef>

// Byte offsets of the boot-sector fields the program reads and the simulated machine writes:
// the BIOS parameter block shared by FAT and NTFS, the FAT12/16 and FAT32 extensions, NTFS's
// own fields and the exFAT ones that stand where the BPB would be.
namespace tarvonel::boot_field {
inline constexpr size_t kJump = 0;
inline constexpr size_t kOemName = 3;  // 8 bytes: "NTFS    ", "EXFAT   ", "MSWIN4.1", ...
inline constexpr size_t kOemNameLength = 8;
// The OEM names that say the file system where a FAT one would say who formatted it.
inline constexpr char kNtfsOemName[] = "NTFS    ";
inline constexpr char kExfatOemName[] = "EXFAT   ";
inline constexpr size_t kBytesPerSector = 11;  // 2 bytes
inline constexpr size_t kSectorsPerCluster = 13;
inline constexpr size_t kReservedSectors = 14;  // 2 bytes
inline constexpr size_t kNumberOfFats = 16;
inline constexpr size_t kRootEntries = 17;    // 2 bytes; 0 on FAT32
inline constexpr size_t kTotalSectors16 = 19;  // 2 bytes; 0: see kTotalSectors32
inline constexpr size_t kMedia = 21;
inline constexpr size_t kFatSectors16 = 22;    // 2 bytes; 0 on FAT32 (and on exFAT)
inline constexpr size_t kTotalSectors32 = 32;  // 4 bytes

// FAT12 and FAT16
inline constexpr size_t kFat16Flags = 37;  // bit 0: the volume is dirty
inline constexpr size_t kFat16BootSignature = 38;
inline constexpr size_t kFat16VolumeLabel = 43;  // 11 bytes
inline constexpr size_t kFat16TypeText = 54;     // 8 bytes: "FAT12   ", "FAT16   "

// FAT32
inline constexpr size_t kFat32FatSectors = 36;  // 4 bytes
inline constexpr size_t kFat32ExtFlags = 40;    // 2 bytes; bit 7: only one FAT is active
inline constexpr size_t kFat32RootCluster = 44;  // 4 bytes
inline constexpr size_t kFat32FsInfoSector = 48;  // 2 bytes
inline constexpr size_t kFat32Flags = 65;        // bit 0: the volume is dirty
inline constexpr size_t kFat32BootSignature = 66;
inline constexpr size_t kFat32VolumeLabel = 71;  // 11 bytes
inline constexpr size_t kFat32TypeText = 82;     // 8 bytes: "FAT32   "

inline constexpr size_t kVolumeLabelLength = 11;
inline constexpr size_t kTypeTextLength = 8;

// NTFS
inline constexpr size_t kNtfsTotalSectors = 40;     // 8 bytes
inline constexpr size_t kNtfsMftCluster = 48;       // 8 bytes
inline constexpr size_t kNtfsMftMirrorCluster = 56;  // 8 bytes

// exFAT
inline constexpr size_t kExfatVolumeLength = 72;         // 8 bytes, sectors
inline constexpr size_t kExfatFatOffset = 80;            // 4 bytes
inline constexpr size_t kExfatFatLength = 84;            // 4 bytes
inline constexpr size_t kExfatClusterHeapOffset = 88;    // 4 bytes
inline constexpr size_t kExfatClusterCount = 92;         // 4 bytes
inline constexpr size_t kExfatRootCluster = 96;          // 4 bytes
inline constexpr size_t kExfatRevision = 104;            // 2 bytes
inline constexpr size_t kExfatVolumeFlags = 106;         // 2 bytes, left out of the boot checksum
inline constexpr size_t kExfatBytesPerSectorShift = 108;
inline constexpr size_t kExfatSectorsPerClusterShift = 109;
inline constexpr size_t kExfatNumberOfFats = 110;
inline constexpr size_t kExfatDriveSelect = 111;
inline constexpr size_t kExfatPercentInUse = 112;        // left out of the boot checksum
inline constexpr size_t kExfatZeroedEnd = 64;            // bytes 11 up to here are zero (no BPB)

inline constexpr size_t kSignature = 510;  // 55 AA
}  // namespace tarvonel::boot_field
