#include "platform/win32/win32_platform.h"

#include "platform/win32/windows_header.h"  // before commctrl.h, which needs it

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "platform/win32/run_time_function.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

using Win32ProcessToken = HeldHandle<ProcessToken, KernelHandleTraits>;

}  // namespace

std::string Win32Platform::CommandTail() { return WideToUtf8(CommandTailOf(::GetCommandLineW())); }

bool Win32Platform::IsUserAnAdmin() {
  using IsUserAnAdminFn = BOOL(WINAPI*)();
  ModuleHandle shell32(::LoadLibraryW(L"shell32.dll"));
  if (!shell32.Valid()) return false;
  // Some versions export it by ordinal 680 only.
  FARPROC found = ::GetProcAddress(shell32.Get(), "IsUserAnAdmin");
  if (found == nullptr) found = ::GetProcAddress(shell32.Get(), MAKEINTRESOURCEA(680));
  auto isAdmin = reinterpret_cast<IsUserAnAdminFn>(reinterpret_cast<void*>(found));
  return isAdmin != nullptr && isAdmin() == TRUE;
}

bool Win32Platform::QueryOsVersion(OsVersionInfo& info) {
  OSVERSIONINFOA raw{};
  raw.dwOSVersionInfoSize = sizeof raw;  // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (::GetVersionExA(&raw) != TRUE) return false;
#pragma GCC diagnostic pop
  info.MajorVersion = raw.dwMajorVersion;
  info.MinorVersion = raw.dwMinorVersion;
  info.BuildNumber = raw.dwBuildNumber;
  info.PlatformId = raw.dwPlatformId;
  static_assert(sizeof raw.szCSDVersion == 128);
  std::memcpy(info.CSDVersion.data(), raw.szCSDVersion, info.CSDVersion.size());
  return true;
}

Wow64Query Win32Platform::IsWow64Process() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = RunTimeFunction<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
  if (isWow64Process == nullptr) return {win32_error::kSuccess, false};  // before XP SP2: no WOW64
  BOOL wow64 = FALSE;
  if (!isWow64Process(::GetCurrentProcess(), &wow64)) return {::GetLastError(), false};
  return {win32_error::kSuccess, wow64 == TRUE};
}

// Both are called around every volume call of the 32-bit program: looked up once.
RedirectionResult Win32Platform::DisableWow64FsRedirection() {
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  static const auto disable = RunTimeFunction<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  if (disable == nullptr) return {RedirectionOutcome::FunctionMissing, win32_error::kProcNotFound, 0};
  PVOID oldValue = nullptr;
  if (!disable(&oldValue)) return {RedirectionOutcome::Failed, ::GetLastError(), 0};
  return {RedirectionOutcome::Disabled, win32_error::kSuccess, reinterpret_cast<uintptr_t>(oldValue)};
}

uint32_t Win32Platform::RevertWow64FsRedirection(uintptr_t oldValue) {
  using RevertFn = BOOL(WINAPI*)(PVOID);
  static const auto revert = RunTimeFunction<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
  if (revert == nullptr) return win32_error::kProcNotFound;
  return revert(reinterpret_cast<PVOID>(oldValue)) ? win32_error::kSuccess : ::GetLastError();
}

uint32_t Win32Platform::OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) {
  HANDLE handle = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &handle)) return ::GetLastError();
  token = std::make_unique<Win32ProcessToken>(handle);
  return win32_error::kSuccess;
}

uint32_t Win32Platform::LookupPrivilege(const std::string& privilegeName, Luid& luid) {
  LUID raw{};
  if (!::LookupPrivilegeValueW(nullptr, Utf8ToWide(privilegeName).c_str(), &raw)) return ::GetLastError();
  luid = Luid{raw.LowPart, raw.HighPart};
  return win32_error::kSuccess;
}

uint32_t Win32Platform::AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) {
  TOKEN_PRIVILEGES wanted{};
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Luid.LowPart = luid.LowPart;
  wanted.Privileges[0].Luid.HighPart = luid.HighPart;
  wanted.Privileges[0].Attributes = attributes;
  TOKEN_PRIVILEGES previous{};
  DWORD previousLength = 0;
  HANDLE handle = static_cast<Win32ProcessToken&>(token).Get();
  if (!::AdjustTokenPrivileges(handle, FALSE, &wanted, sizeof previous, &previous, &previousLength)) {
    return ::GetLastError();
  }
  // The call succeeds either way; ERROR_NOT_ALL_ASSIGNED says the token lacks the privilege.
  return ::GetLastError();
}

bool Win32Platform::InitCommonControls(uint32_t iccClasses) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;  // 8
  controls.dwICC = iccClasses;
  return ::InitCommonControlsEx(&controls) == TRUE;
}

FormattedMessage Win32Platform::FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) {
  std::vector<wchar_t> buffer(bufferChars == 0 ? 1 : bufferChars);
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer.data(), bufferChars, nullptr);
  if (length == 0) return {0, {}, ::GetLastError()};
  return {length, WideToUtf8(std::wstring_view(buffer.data(), length)), win32_error::kSuccess};
}

std::string Win32Platform::WindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return WideToUtf8(std::wstring_view(buffer, length));
}

std::string Win32Platform::LogicalDriveStrings() {
  wchar_t buffer[26 * 4 + 1] = {};
  const DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
  if (length == 0 || length >= std::size(buffer)) return std::string(1, '\0');
  return WideToUtf8(std::wstring_view(buffer, length + 1));  // keeps the list's closing NUL
}

DriveType Win32Platform::DriveTypeOf(const std::string& root) {
  return static_cast<DriveType>(::GetDriveTypeW(Utf8ToWide(root).c_str()));
}

using Win32Process = HeldHandle<OsHandle, KernelHandleTraits>;

uint32_t Win32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

OpenResult Win32Platform::OpenProcess(uint32_t access, uint32_t processId) {
  OpenResult result;
  HANDLE handle = ::OpenProcess(access, FALSE, processId);
  if (handle == nullptr) {
    result.error = ::GetLastError();
  } else {
    result.handle = std::make_unique<Win32Process>(handle);
  }
  return result;
}

bool Win32Platform::SetPriorityClass(OsHandle& process, uint32_t priorityClass) {
  return ::SetPriorityClass(static_cast<Win32Process&>(process).Get(), priorityClass) != FALSE;
}

uint32_t Win32Platform::GetPriorityClass(OsHandle& process) {
  return ::GetPriorityClass(static_cast<Win32Process&>(process).Get());
}

bool Win32Platform::ExitWindowsEx(uint32_t flags, uint32_t reason) { return ::ExitWindowsEx(flags, reason) != FALSE; }

}  // namespace tarvonel
