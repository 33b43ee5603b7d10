#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

// The English (United States) system text for a Win32 error number, CR LF included as
// Windows writes it; empty when the system table has none.
std::string SystemMessageText(uint32_t code);

}  // namespace tarvonel
