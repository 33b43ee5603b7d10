#include "platform/system_error_text.h"

#include <utility>

#include "base/hex.h"
#include "platform/os_facts.h"

namespace tarvonel {
namespace {

constexpr uint32_t kMessageBufferChars = 160;

}  // namespace

SystemErrorText::SystemErrorText(OsFacts& os, FailureNotice tellUser) : os_(os), tellUser_(std::move(tellUser)) {}

std::string SystemErrorText::GetSystemErrorMessageText(uint32_t code) {
  FormattedMessage message = os_.FormatMessageFromSystem(code, kMessageBufferChars);
  if (message.length > 0) {
    std::string text = std::move(message.text);
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
  }
  const std::string error = std::to_string(message.error);
  if (tellUser_) {
    tellUser_("An error occurred with the FormatMessage API function call.\r\nError: " + error + " Hex(" +
              UpperHex(message.error) + ").");
  }
  return "An internal system error occurred with the\r\nFormatMessage API function: " + error +
         ". No futher information\r\nis available.";
}

}  // namespace tarvonel
