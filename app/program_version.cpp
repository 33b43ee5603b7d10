#include "app/program_version.h"

#include "version.h"

namespace tarvonel {

std::string ProgramVersionText() {
  std::string text = "v";
  text += std::to_string(kVersionMajor);
  text += '.';
  text += std::to_string(kVersionMinor);
  text += '.';
  text += std::to_string(kVersionRevision);
  return text;
}

}  // namespace tarvonel
