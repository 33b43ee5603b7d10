#pragma once
#include <string>

namespace tarvonel {

// The machine the console program runs on when no machine file is given: a 64-bit
// Windows 10 computer whose fixed NTFS drive C: (1 GiB) holds a few thousand files, some of
// them fragmented, a Windows folder and the prefetch layout list.
const std::string& DemoMachineJson();

}  // namespace tarvonel
