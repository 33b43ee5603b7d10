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
    {
      "letter": "C",
      "type": "fixed",
      "label": "System",
      "volume": {
        "file_system": "NTFS",
        "bytes_per_sector": 512,
        "sectors_per_cluster": 8,
        "total_clusters": 262144,
        "metadata_clusters": [[0, 16]],
        "generate": {
          "files": 3000,
          "directories": 150,
          "fragmented_percent": 12,
          "max_fragments": 9,
          "fill_percent": 55,
          "seed": 2026,
          "windows_folder": true
        }
      }
    }
  ]
})";
  return kJson;
}

}  // namespace tarvonel
