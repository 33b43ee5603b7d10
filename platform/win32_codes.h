#pragma once
#include <cstdint>

// Access rights, flags, control codes and NTSTATUS values of the Windows calls the engine makes.
namespace tarvonel::win32 {
inline constexpr uint32_t kGenericRead = 0x80000000;
inline constexpr uint32_t kGenericWrite = 0x40000000;
inline constexpr uint32_t kFileReadData = 0x0001;  // part of GENERIC_READ
inline constexpr uint32_t kFileReadAttributes = 0x0080;
inline constexpr uint32_t kFileWriteData = 0x0002;
inline constexpr uint32_t kFileAppendData = 0x0004;
inline constexpr uint32_t kFileWriteEa = 0x0010;
inline constexpr uint32_t kFileExecute = 0x0020;
inline constexpr uint32_t kFileWriteAttributes = 0x0100;
inline constexpr uint32_t kDelete = 0x00010000;
// Every right that changes what is on the medium.
inline constexpr uint32_t kAnyWriteAccess =
    kGenericWrite | kFileWriteData | kFileAppendData | kFileWriteEa | kFileWriteAttributes | kDelete;
inline constexpr uint32_t kFileShareReadWrite = 3;
inline constexpr uint32_t kFlagNoBuffering = 0x20000000;
inline constexpr uint32_t kFlagBackupSemantics = 0x02000000;

inline constexpr uint32_t kTokenAdjustPrivilegesAndQuery = 40;  // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
inline constexpr uint32_t kSePrivilegeEnabled = 2;

inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeSparse = 0x200;
inline constexpr uint32_t kAttributeReparsePoint = 0x400;
inline constexpr uint32_t kAttributeCompressed = 0x800;
inline constexpr uint32_t kAttributeEncrypted = 0x4000;
// GetVolumeInformation's file-system flags: FILE_READ_ONLY_VOLUME.
inline constexpr uint32_t kReadOnlyVolume = 0x00080000;
inline constexpr uint32_t kReparseTagMountPoint = 0xA0000003;
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;

inline constexpr uint32_t kFsctlGetNtfsVolumeData = 0x00090064;
inline constexpr uint32_t kFsctlGetVolumeBitmap = 0x0009006F;
inline constexpr uint32_t kFsctlGetRetrievalPointers = 0x00090073;
inline constexpr uint32_t kFileStreamInformation = 22;
inline constexpr uint32_t kFileBasicInformation = 4;

inline constexpr uint32_t kSmartSendDriveCommand = 0x0007C084;
inline constexpr uint32_t kSmartRcvDriveData = 0x0007C088;
inline constexpr uint32_t kIoctlStorageQueryProperty = 0x002D1400;
inline constexpr uint32_t kStorageDeviceSeekPenaltyProperty = 7;

inline constexpr uint32_t kHkeyClassesRoot = 0x80000000;
inline constexpr uint32_t kHkeyCurrentUser = 0x80000001;
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002;
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kKeyAllAccessLow = 63;  // query, set, create, enumerate, notify, link
// The registry view a key is opened in, whatever the program's own bitness.
inline constexpr uint32_t kKeyWow64View64 = 0x0100;
inline constexpr uint32_t kKeyWow64View32 = 0x0200;
inline constexpr uint32_t kRegSz = 1;

inline constexpr uint32_t kStatusSuccess = 0x00000000;
inline constexpr uint32_t kStatusBufferOverflow = 0x80000005;
inline constexpr uint32_t kStatusInvalidParameter = 0xC000000D;
inline constexpr uint32_t kStatusInfoLengthMismatch = 0xC0000004;
inline constexpr uint32_t kStatusInvalidDeviceRequest = 0xC0000010;
inline constexpr uint32_t kStatusBufferTooSmall = 0xC0000023;
inline constexpr uint32_t kStatusInvalidHandle = 0xC0000008;
}  // namespace tarvonel::win32
