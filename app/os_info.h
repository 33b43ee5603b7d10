#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class OsFacts;

struct OSInfo {
  uint32_t PlatformId = 0;
  std::string Name;
  std::string Version;  // "major.minor"; empty when the system would not say
  std::string ServicePack;
  std::string Build;
};

void GetOSInfo(OsFacts& os, OSInfo& info);

// The numeric value of the leading number of a text such as "6.1" or "10.0"; 0 when there is
// none. Versions compare by this value, so "10.0" is above "5.1".
double LeadingNumber(const std::string& text);

}  // namespace tarvonel
