#pragma once
#include <string>

namespace tarvonel {

// The machine the console program runs on when no machine file is given: a 64-bit
// Windows 10 computer with one fixed NTFS drive C:.
const std::string& DemoMachineJson();

}  // namespace tarvonel
