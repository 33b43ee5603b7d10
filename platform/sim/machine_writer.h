#pragma once
#include <string>

namespace tarvonel {

class SimPlatform;

// The machine as it is now, in the machine description format: what --machine reads. A
// generated volume is written out entry by entry, so before and after a job can be compared.
std::string MachineToJson(const SimPlatform& platform);

}  // namespace tarvonel
