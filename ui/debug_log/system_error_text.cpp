#include "ui/debug_log/system_error_text.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "ui/controls/toolkit.h"
#include "version.h"

namespace tarvonel {
namespace {

constexpr uint32_t kMessageBufferChars = 160;

std::string UpperHex(uint32_t value) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

}  // namespace

SystemErrorText::SystemErrorText(Platform& platform, Toolkit& toolkit)
    : platform_(platform), toolkit_(toolkit) {}

std::string SystemErrorText::GetSystemErrorMessageText(uint32_t code) {
  FormattedMessage message = platform_.FormatMessageFromSystem(code, kMessageBufferChars);
  if (message.length > 0) {
    std::string text = std::move(message.text);
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
  }
  const std::string error = std::to_string(message.error);
  toolkit_.MsgBox("An error occurred with the FormatMessage API function call.\r\nError: " + error + " Hex(" +
                      UpperHex(message.error) + ").",
                  MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
  return "An internal system error occurred with the\r\nFormatMessage API function: " + error +
         ". No futher information\r\nis available.";
}

}  // namespace tarvonel
