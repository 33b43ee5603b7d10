#pragma once
#include <stdexcept>
#include <string>

namespace tarvonel {

// A machine description that cannot be used; the message names the field at fault.
class MachineError : public std::runtime_error {
 public:
  explicit MachineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tarvonel
