#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class Platform;
class Toolkit;

// Turns Win32 error numbers into the system's own text for the debug log.
class SystemErrorText {
 public:
  SystemErrorText(Platform& platform, Toolkit& toolkit);

  // The system text without its trailing CR LF. When the system cannot give one, the user
  // is told in a message box and a fallback text is returned, so the log line is still written.
  std::string GetSystemErrorMessageText(uint32_t code);

 private:
  Platform& platform_;
  Toolkit& toolkit_;
};

}  // namespace tarvonel
