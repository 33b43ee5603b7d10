// The volume and file operations on Windows: thin pass-throughs that hand the record layouts
// to the engine unchanged.
#include <cstring>
#include <functional>
#include <vector>

#include "platform/win32/windows_header.h"  // before winioctl.h

#include <winioctl.h>

#include "platform/win32/run_time_function.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_header.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

using Win32Handle = HeldHandle<OsHandle, FileHandleTraits>;

struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::FindClose(handle); }
};

using Win32Find = HeldHandle<OsFindHandle, FindTraits>;

HANDLE Raw(OsHandle& handle) { return static_cast<Win32Handle&>(handle).Get(); }

FindEntry ToEntry(const WIN32_FIND_DATAW& data) {
  FindEntry entry;
  entry.attributes = data.dwFileAttributes;
  entry.reserved0 = data.dwReserved0;
  entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.name = WideToUtf8(std::wstring_view(data.cFileName, wcsnlen(data.cFileName, MAX_PATH)));
  return entry;
}

struct IoStatusBlock {
  union {
    LONG status;
    PVOID pointer;
  };
  ULONG_PTR information;
};

// ntdll's entry points are looked up once.
using NtFsControlFileFn = LONG(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, IoStatusBlock*, ULONG, PVOID, ULONG, PVOID, ULONG);
using NtQueryInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);

}  // namespace

OpenResult Win32Platform::OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) {
  OpenResult result;
  HANDLE handle =
      ::CreateFileW(Utf8ToWide(path).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    result.error = ::GetLastError();
  } else {
    result.handle = std::make_unique<Win32Handle>(handle);
  }
  return result;
}

uint32_t Win32Platform::DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                        void* output, uint32_t outputSize, uint32_t& bytesReturned) {
  DWORD returned = 0;
  const BOOL ok = ::DeviceIoControl(Raw(handle), code, const_cast<void*>(input), inputSize, output, outputSize,
                                    &returned, nullptr);
  bytesReturned = returned;
  return ok ? win32_error::kSuccess : ::GetLastError();
}

uint32_t Win32Platform::MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                                 uint32_t clusterCount) {
  // The SDK's record: 32 bytes in both bitnesses, the handle 4 bytes plus padding on i686,
  // as the 32-bit program hands it to WOW64.
  MOVE_FILE_DATA data{};
  data.FileHandle = Raw(file);
  data.StartingVcn.QuadPart = startingVcn;
  data.StartingLcn.QuadPart = startingLcn;
  data.ClusterCount = clusterCount;
  DWORD returned = 0;
  if (!::DeviceIoControl(Raw(volume), FSCTL_MOVE_FILE, &data, sizeof data, nullptr, 0, &returned, nullptr)) {
    return ::GetLastError();
  }
  return win32_error::kSuccess;
}

uint32_t Win32Platform::NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                                        uint32_t& information) {
  static const auto call = RunTimeFunction<NtFsControlFileFn>(L"ntdll.dll", "NtFsControlFile");
  information = 0;
  if (call == nullptr) return win32::kStatusInvalidDeviceRequest;
  IoStatusBlock status{};
  const LONG result = call(Raw(handle), nullptr, nullptr, nullptr, &status, code, nullptr, 0, output, outputSize);
  information = static_cast<uint32_t>(status.information);
  return static_cast<uint32_t>(result);
}

uint32_t Win32Platform::NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                               uint32_t& information) {
  static const auto call = RunTimeFunction<NtQueryInformationFileFn>(L"ntdll.dll", "NtQueryInformationFile");
  information = 0;
  if (call == nullptr) return win32::kStatusInvalidParameter;
  IoStatusBlock status{};
  const LONG result = call(Raw(handle), &status, output, length, infoClass);
  information = static_cast<uint32_t>(status.information);
  return static_cast<uint32_t>(result);
}

std::unique_ptr<OsFindHandle> Win32Platform::FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) {
  WIN32_FIND_DATAW data{};
  HANDLE handle = ::FindFirstFileW(Utf8ToWide(pattern).c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return nullptr;
  }
  error = 0;
  entry = ToEntry(data);
  return std::make_unique<Win32Find>(handle);
}

bool Win32Platform::FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) {
  WIN32_FIND_DATAW data{};
  if (!::FindNextFileW(static_cast<Win32Find&>(search).Get(), &data)) {
    error = ::GetLastError();
    return false;
  }
  error = 0;
  entry = ToEntry(data);
  return true;
}

DiskFreeSpace Win32Platform::QueryDiskFreeSpace(const std::string& root) {
  DiskFreeSpace space;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!::GetDiskFreeSpaceW(Utf8ToWide(root).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
    space.error = ::GetLastError();
    return space;
  }
  space.sectorsPerCluster = sectorsPerCluster;
  space.bytesPerSector = bytesPerSector;
  space.freeClusters = freeClusters;
  space.totalClusters = totalClusters;
  return space;
}

VolumeInformation Win32Platform::QueryVolumeInformation(const std::string& root) {
  VolumeInformation info;
  wchar_t label[256] = {};
  wchar_t fileSystem[256] = {};
  DWORD flags = 0;
  if (!::GetVolumeInformationW(Utf8ToWide(root).c_str(), label, 255, nullptr, nullptr, &flags, fileSystem, 255)) {
    info.error = ::GetLastError();
    return info;
  }
  info.fileSystemFlags = flags;
  info.label = WideToUtf8(label);
  info.fileSystemName = WideToUtf8(fileSystem);
  return info;
}

bool Win32Platform::GetInputState() { return ::GetInputState() != FALSE; }

uint32_t Win32Platform::SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) {
  LONG high = distanceHigh;
  ::SetLastError(0);
  const DWORD result = ::SetFilePointer(Raw(handle), distanceLow, &high, FILE_BEGIN);
  // INVALID_SET_FILE_POINTER is also a valid low half; only the error tells them apart.
  if (result == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return ::GetLastError();
  return win32_error::kSuccess;
}

uint32_t Win32Platform::ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(Raw(handle), buffer, bytes, &read, nullptr);
  bytesRead = read;
  return ok ? win32_error::kSuccess : ::GetLastError();
}

std::string Win32Platform::SystemCodePageToUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return WideToUtf8(wide);
}

}  // namespace tarvonel

namespace tarvonel {
namespace {

// fmifs.dll's Chkdsk and its callback: three 32-bit arguments, a one-byte boolean result.
using ChkdskCallbackFn = BOOLEAN(WINAPI*)(DWORD command, DWORD subAction, PVOID actionInfo);
using ChkdskFn = VOID(WINAPI*)(PWCHAR drive, PWCHAR format, BOOL fix, BOOL verbose, BOOL onlyIfDirty, BOOL scanDrive,
                               PVOID, PVOID, ChkdskCallbackFn);

struct TextOutput {
  DWORD lines;
  PCHAR output;
};

// The callback has no context argument; one check runs at a time on the one thread.
thread_local const std::function<bool(const ChkdskReport&)>* activeReport = nullptr;

BOOLEAN WINAPI ChkdskCallback(DWORD command, DWORD, PVOID actionInfo) {
  if (activeReport == nullptr) return TRUE;
  ChkdskReport report;
  report.command = command;
  if (command == 0 && actionInfo != nullptr) report.percent = *static_cast<DWORD*>(actionInfo);
  if (command == 11 && actionInfo != nullptr) report.succeeded = *static_cast<BOOLEAN*>(actionInfo) != 0;
  if (command == 14 && actionInfo != nullptr && !::IsBadReadPtr(actionInfo, sizeof(TextOutput))) {
    const char* text = static_cast<TextOutput*>(actionInfo)->output;
    if (text != nullptr && !::IsBadStringPtrA(text, 255)) {
      std::string oem(text, strnlen(text, 255));
      std::vector<char> ansi(oem.size() + 1);
      ::OemToCharA(oem.c_str(), ansi.data());
      report.text = std::string(ansi.data());
    }
  }
  return (*activeReport)(report) ? TRUE : FALSE;
}

}  // namespace

uint32_t Win32Platform::DiskCheckAvailable(const std::string&) {
  ModuleHandle library(::LoadLibraryW(L"fmifs.dll"));
  if (!library.Valid()) return ::GetLastError();
  return ::GetProcAddress(library.Get(), "Chkdsk") != nullptr ? 0 : win32_error::kProcNotFound;
}

void Win32Platform::RunChkdsk(const std::string& root, const std::string& fileSystem, bool fix, bool verbose,
                              bool onlyIfDirty, bool scanDrive,
                              const std::function<bool(const ChkdskReport&)>& report) {
  ModuleHandle library(::LoadLibraryW(L"fmifs.dll"));
  if (!library.Valid()) return;
  auto chkdsk = reinterpret_cast<ChkdskFn>(reinterpret_cast<void*>(::GetProcAddress(library.Get(), "Chkdsk")));
  if (chkdsk == nullptr) return;
  std::wstring drive = Utf8ToWide(root);
  std::wstring format = Utf8ToWide(fileSystem);
  activeReport = &report;
  chkdsk(drive.data(), format.data(), fix, verbose, onlyIfDirty, scanDrive, nullptr, nullptr, ChkdskCallback);
  activeReport = nullptr;
}

}  // namespace tarvonel
