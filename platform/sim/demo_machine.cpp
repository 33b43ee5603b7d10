#include "platform/sim/demo_machine.h"

namespace tarvonel {

const std::string& DemoMachineJson() {
  static const std::string kJson = R"({
  "os": {
    "platform_id": 2,
    "major": 10,
    "minor": 0,
    "build": 19045,
    "service_pack": "",
    "bits": 64,
    "wow64_redirection": "works",
    "windows_directory": "C:\\Windows"
  },
  "administrator": true,
  "privileges": {
    "grantable": ["SeBackupPrivilege", "SeRestorePrivilege", "SeShutdownPrivilege", "SeManageVolumePrivilege"]
  },
  "drives": [
    { "letter": "C", "type": "fixed", "label": "System" }
  ]
})";
  return kJson;
}

}  // namespace tarvonel
