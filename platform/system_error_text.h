#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace tarvonel {

class OsFacts;

// Turns Win32 error numbers into the system's own text for the debug log.
class SystemErrorText {
 public:
  // Told, in the system's words, when the system cannot give a text.
  using FailureNotice = std::function<void(const std::string& message)>;
  SystemErrorText(OsFacts& os, FailureNotice tellUser);

  // The system text without its trailing CR LF. When the system cannot give one, the user
  // is told and a fallback text is returned, so the log line is still written.
  std::string GetSystemErrorMessageText(uint32_t code);

 private:
  OsFacts& os_;
  FailureNotice tellUser_;
};

}  // namespace tarvonel
