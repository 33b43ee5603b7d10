#include "platform/image/image_drive.h"

#include <stdexcept>

#include "base/ascii.h"

namespace tarvonel {

ImageDrive ParseImageDrive(const std::string& text) {
  if (text.size() < 4 || text[1] != ':' || text[2] != '=' ||
      !IsAsciiLetter(text[0])) {
    throw std::invalid_argument("--image takes a drive and a file, for example C:=stick.img, not " + text);
  }
  return {AsciiUpper(text[0]), text.substr(3)};
}

}  // namespace tarvonel
