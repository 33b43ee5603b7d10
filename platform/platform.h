#pragma once
#include "platform/disk_check_library.h"
#include "platform/os_facts.h"
#include "platform/process_power.h"
#include "platform/registry_access.h"
#include "platform/shell_access.h"
#include "platform/token_access.h"
#include "platform/volume_io.h"

namespace tarvonel {

// Everything the program asks of Windows, for the composition root: one implementation talks
// to Windows itself, another to a simulated machine. Each module is handed only the roles it uses.
class Platform : public VolumeIo,
                 public OsFacts,
                 public TokenAccess,
                 public ProcessPower,
                 public DiskCheckLibrary,
                 public ShellAccess,
                 public RegistryAccess {};

}  // namespace tarvonel
