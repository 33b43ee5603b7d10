// The shell and registry calls of the Win32 platform: thin pass-throughs with W functions.
#include "platform/win32/win32_platform.h"

#include "platform/win32/windows_header.h"  // before the shell headers, which need it

#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "platform/win32/run_time_function.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

// HKEY_CLASSES_ROOT and its kin are not closed; opened keys are.
class Win32RegistryKey : public RegistryKey {
 public:
  Win32RegistryKey(HKEY key, bool predefined) : key_(key), predefined_(predefined) {}
  ~Win32RegistryKey() override {
    if (!predefined_) ::RegCloseKey(key_);
  }
  HKEY Get() const { return key_; }

 private:
  HKEY key_;
  bool predefined_;
};

HKEY KeyOf(RegistryKey& key) { return static_cast<Win32RegistryKey&>(key).Get(); }

// A COM interface pointer released when it goes.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  Interface** Out() { return &pointer_; }
  Interface* operator->() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

struct FolderId {
  const char* name;
  int csidl;
};

// The scripting shell's SpecialFolders names and the folders they stand for.
constexpr FolderId kSpecialFolders[] = {
    {"AllUsersDesktop", CSIDL_COMMON_DESKTOPDIRECTORY}, {"AllUsersStartMenu", CSIDL_COMMON_STARTMENU},
    {"AllUsersPrograms", CSIDL_COMMON_PROGRAMS},        {"AllUsersStartup", CSIDL_COMMON_STARTUP},
    {"AppData", CSIDL_APPDATA},                         {"Desktop", CSIDL_DESKTOPDIRECTORY},
    {"Favorites", CSIDL_FAVORITES},                     {"Fonts", CSIDL_FONTS},
    {"MyDocuments", CSIDL_PERSONAL},                    {"NetHood", CSIDL_NETHOOD},
    {"PrintHood", CSIDL_PRINTHOOD},                     {"Programs", CSIDL_PROGRAMS},
    {"Recent", CSIDL_RECENT},                           {"SendTo", CSIDL_SENDTO},
    {"StartMenu", CSIDL_STARTMENU},                     {"Startup", CSIDL_STARTUP},
    {"Templates", CSIDL_TEMPLATES},
};

bool SameIgnoringCase(const std::string& a, const char* b) { return ::lstrcmpiA(a.c_str(), b) == 0; }

}  // namespace

uint32_t Win32Platform::ShellOpen(const std::string& file) {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", Utf8ToWide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // Values above 32 mean success; smaller ones are the old error codes.
  return result > 32 ? win32_error::kSuccess : static_cast<uint32_t>(result == 0 ? ERROR_OUTOFMEMORY : result);
}

void Win32Platform::EmptyRecycleBins() {
  ::SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

uint32_t Win32Platform::ExpandEnvironment(const std::string& text, uint32_t bufferChars, std::string& expanded) {
  std::vector<wchar_t> buffer(bufferChars, L'\0');
  const DWORD needed = ::ExpandEnvironmentStringsW(Utf8ToWide(text).c_str(), buffer.data(), bufferChars);
  if (needed != 0 && needed <= bufferChars) expanded = WideToUtf8(buffer.data());
  return needed;
}

std::string Win32Platform::SpecialFolder(const std::string& name) {
  for (const FolderId& folder : kSpecialFolders) {
    if (!SameIgnoringCase(name, folder.name)) continue;
    wchar_t path[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, folder.csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
    return WideToUtf8(path);
  }
  return {};
}

uint32_t Win32Platform::SaveShellLink(const std::string& linkPath, const ShellLink& link) {
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT result = E_FAIL;
  {
    ComPointer<IShellLinkW> shellLink;
    result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(shellLink.Out()));
    if (SUCCEEDED(result)) {
      shellLink->SetPath(Utf8ToWide(link.targetPath).c_str());
      if (!link.arguments.empty()) shellLink->SetArguments(Utf8ToWide(link.arguments).c_str());
      if (!link.description.empty()) shellLink->SetDescription(Utf8ToWide(link.description).c_str());
      if (!link.workingDirectory.empty()) shellLink->SetWorkingDirectory(Utf8ToWide(link.workingDirectory).c_str());
      if (!link.iconLocation.empty()) shellLink->SetIconLocation(Utf8ToWide(link.iconLocation).c_str(), 0);
      shellLink->SetShowCmd(link.windowStyle);
      ComPointer<IPersistFile> file;
      result = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()));
      if (SUCCEEDED(result)) result = file->Save(Utf8ToWide(linkPath).c_str(), TRUE);
    }
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  if (SUCCEEDED(result)) return win32_error::kSuccess;
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<uint32_t>(HRESULT_CODE(result))
                                                    : static_cast<uint32_t>(result);
}

uint32_t Win32Platform::WriteTextFile(const std::string& path, const std::string& text) {
  FileHandle file(::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return ::GetLastError();
  DWORD written = 0;
  if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    return ::GetLastError();
  }
  return written == text.size() ? win32_error::kSuccess : static_cast<uint32_t>(ERROR_WRITE_FAULT);
}

std::string Win32Platform::ProgramFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::wstring folder(path.data(), length);
  const size_t slash = folder.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  folder.resize(slash == 2 ? 3 : slash);  // "C:\" keeps its backslash
  return WideToUtf8(folder);
}

std::unique_ptr<RegistryKey> Win32Platform::PredefinedKey(uint32_t hkey) {
  return std::make_unique<Win32RegistryKey>(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(hkey))),
                                            true);
}

uint32_t Win32Platform::RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                                     std::unique_ptr<RegistryKey>& key) {
  HKEY created = nullptr;
  const LONG result = ::RegCreateKeyExW(KeyOf(parent), Utf8ToWide(subKey).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &created, nullptr);
  if (result == ERROR_SUCCESS) key = std::make_unique<Win32RegistryKey>(created, false);
  return static_cast<uint32_t>(result);
}

uint32_t Win32Platform::RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                                   std::unique_ptr<RegistryKey>& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(KeyOf(parent), Utf8ToWide(subKey).c_str(), 0, access, &opened);
  if (result == ERROR_SUCCESS) key = std::make_unique<Win32RegistryKey>(opened, false);
  return static_cast<uint32_t>(result);
}

uint32_t Win32Platform::RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) {
  const std::wstring data = Utf8ToWide(text);
  return static_cast<uint32_t>(::RegSetValueExW(KeyOf(key), Utf8ToWide(name).c_str(), 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(data.c_str()),
                                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
}

uint32_t Win32Platform::RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                                     RegistryValue& value) {
  std::vector<wchar_t> name(nameChars + 1, L'\0');
  // The data arrives as UTF-16: twice the bytes of the 8-bit buffer the caller counts in.
  std::vector<BYTE> data(static_cast<size_t>(dataBytes) * 2 + 2, 0);
  DWORD nameLength = nameChars;
  DWORD dataLength = static_cast<DWORD>(data.size() - 2);
  DWORD type = 0;
  const LONG result =
      ::RegEnumValueW(KeyOf(key), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
  if (result != ERROR_SUCCESS) return static_cast<uint32_t>(result);
  value.name = WideToUtf8(std::wstring_view(name.data(), nameLength));
  value.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    value.data = WideToUtf8(std::wstring_view(reinterpret_cast<const wchar_t*>(data.data()), dataLength / 2));
  } else {
    value.data.assign(reinterpret_cast<const char*>(data.data()), dataLength);
  }
  return win32_error::kSuccess;
}

uint32_t Win32Platform::RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) {
  std::vector<wchar_t> buffer(nameChars + 1, L'\0');
  const LONG result = ::RegEnumKeyW(KeyOf(key), index, buffer.data(), nameChars);
  if (result == ERROR_SUCCESS) name = WideToUtf8(buffer.data());
  return static_cast<uint32_t>(result);
}

uint32_t Win32Platform::RegistryDeleteKey(RegistryKey& parent, const std::string& subKey, uint32_t view) {
  // RegDeleteKey cannot reach another registry view; RegDeleteKeyEx can, but 32-bit Windows XP,
  // which has one view only, lacks it.
  using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  static const auto deleteKeyEx = RunTimeFunction<DeleteKeyExFn>(L"advapi32.dll", "RegDeleteKeyExW");
  const std::wstring name = Utf8ToWide(subKey);
  if (view != 0 && deleteKeyEx != nullptr) {
    return static_cast<uint32_t>(deleteKeyEx(KeyOf(parent), name.c_str(), view, 0));
  }
  return static_cast<uint32_t>(::RegDeleteKeyW(KeyOf(parent), name.c_str()));
}

}  // namespace tarvonel
