// The machine description: refused with a message, or loaded; a loaded machine written out
// in the same format loads again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/machine_writer.h"
#include "platform/sim/sim_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvonel;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string written;
  try {
    SimPlatform machine(ParseMachine(text));
    written = MachineToJson(machine);
  } catch (const MachineError&) {
    return 0;
  }
  try {
    SimPlatform again(ParseMachine(written));
  } catch (const MachineError& error) {
    std::fprintf(stderr, "a machine written out does not load again: %s\n", error.what());
    abort();
  }
  return 0;
}
