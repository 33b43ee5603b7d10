#pragma once
#include <memory>
#include <string>

#include "app/job_settings.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "ui/debug_log/debug_log.h"
#include "ui/debug_log/system_error_text.h"
#include "ui/headless/headless_toolkit.h"
#include "volume/extents.h"

namespace tarvonel::test {

// A machine whose drive C: holds the volume described by `volumeJson` (a JSON object).
inline std::string MachineWithVolume(const std::string& volumeJson, const std::string& extraDrives = {}) {
  return R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": "C", "volume": )" + volumeJson + "}" +
         extraDrives + "]}";
}

// The engine's collaborators on a simulated machine.
struct VolumeFixture {
  explicit VolumeFixture(const std::string& machineJson)
      : platform(ParseMachine(machineJson)),
        toolkit(clock),
        log(toolkit),
        errorText(platform, toolkit),
        extents(platform, settings, log, errorText) {}

  SimPlatform platform;
  VirtualClock clock;
  HeadlessToolkit toolkit;
  JobSettings settings;
  DebugLog log;
  SystemErrorText errorText;
  ExtentReader extents;
};

}  // namespace tarvonel::test
