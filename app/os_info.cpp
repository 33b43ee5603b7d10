#include "app/os_info.h"

#include <algorithm>

#include "platform/os_facts.h"

namespace tarvonel {
namespace {

std::string WindowsName(uint32_t platformId, uint32_t major, uint32_t minor) {
  switch (platformId) {
    case 0: return "Win32s";
    case 1:
      if (minor == 0) return "Windows 95";
      if (minor == 90) return "Windows ME";
      return "Windows 98";
    case 2:
      if (major == 5 && minor == 0) return "Windows 2000";
      if (major == 5 && minor == 1) return "Windows XP";
      return "Windows NT";
    default: return {};
  }
}

}  // namespace

void GetOSInfo(OsFacts& os, OSInfo& info) {
  info = OSInfo{};
  OsVersionInfo raw;
  if (!os.QueryOsVersion(raw)) return;
  info.PlatformId = raw.PlatformId;
  info.Name = WindowsName(raw.PlatformId, raw.MajorVersion, raw.MinorVersion);
  info.Version = std::to_string(raw.MajorVersion) + "." + std::to_string(raw.MinorVersion);
  info.Build = std::to_string(raw.BuildNumber & 0xFFFFu);
  // A buffer without a NUL holds no trustworthy text.
  auto nul = std::find(raw.CSDVersion.begin(), raw.CSDVersion.end(), '\0');
  if (nul != raw.CSDVersion.end()) info.ServicePack.assign(raw.CSDVersion.begin(), nul);
}

double LeadingNumber(const std::string& text) {
  // Parsed by hand: the C library's number parsing follows the locale's decimal separator.
  double value = 0;
  size_t i = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
      value += (text[i] - '0') * scale;
    }
  }
  return value;
}

}  // namespace tarvonel
