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

// Extents of one cluster each, two clusters apart from `firstLcn`, so that no two touch.
inline std::string ScatteredRuns(int count, int firstLcn) {
  std::string runs;
  for (int i = 0; i < count; ++i) runs += (i ? "," : "") + std::string("[") + std::to_string(firstLcn + 2 * i) + ",1]";
  return "[" + runs + "]";
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
