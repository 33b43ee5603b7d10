#include "front/linux/tool/card_system.h"

#include "base/text_encoding.h"

namespace tarvonel {

FormattedMessage CardSystem::FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) {
  FormattedMessage message;
  message.text = "error " + std::to_string(code) + "\r\n";
  if (message.text.size() >= bufferChars) {
    message.text.clear();
    message.error = 122;  // ERROR_INSUFFICIENT_BUFFER, as the system answers
    return message;
  }
  message.length = static_cast<uint32_t>(message.text.size());
  return message;
}

std::string CardSystem::SystemCodePageToUtf8(const std::string& text) { return Latin1ToUtf8(text); }

}  // namespace tarvonel
