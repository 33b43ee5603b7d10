#pragma once
#include <memory>
#include <string>

#include "base/job_settings.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "recording_events.h"
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

// The engine's collaborators on a simulated machine, its events recorded; no window. Error
// texts the system cannot give are counted in `unknownErrorTexts`.
struct VolumeFixture {
  explicit VolumeFixture(const std::string& machineJson)
      : platform(ParseMachine(machineJson)),
        errorText(platform, [this](const std::string&) { ++unknownErrorTexts; }),
        extents(platform, settings, events, errorText) {}

  SimPlatform platform;
  JobSettings settings;
  RecordingEvents events;
  DebugLog& log = events.log;
  int unknownErrorTexts = 0;
  SystemErrorText errorText;
  ExtentReader extents;
};

}  // namespace tarvonel::test
