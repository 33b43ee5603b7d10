#pragma once
#include <cstdint>

// Win32 error numbers the core names. Platform calls return them directly; 0 is success.
namespace tarvonel::win32_error {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNoMoreFiles = 18;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kReadFault = 30;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kHandleEof = 38;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kInsufficientBuffer = 122;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kModNotFound = 126;
inline constexpr uint32_t kProcNotFound = 127;
inline constexpr uint32_t kBadExeFormat = 193;  // a DLL of the other bitness
inline constexpr uint32_t kFilenameExcedRange = 206;  // a plain path longer than MAX_PATH
inline constexpr uint32_t kMoreData = 234;
inline constexpr uint32_t kNoMoreItems = 259;
inline constexpr uint32_t kKeyDeleted = 1018;
inline constexpr uint32_t kMrMidNotFound = 317;
inline constexpr uint32_t kNegativeSeek = 131;
inline constexpr uint32_t kNotAllAssigned = 1300;
inline constexpr uint32_t kCantResolveFilename = 1921;  // too many levels of symbolic links
inline constexpr uint32_t kNoSuchPrivilege = 1313;
}  // namespace tarvonel::win32_error
