#pragma once
#include "platform/disk_check_library.h"
#include "platform/os_facts.h"
#include "platform/process_power.h"
#include "platform/registry_access.h"
#include "platform/shell_access.h"
#include "platform/token_access.h"
#include "platform/volume_io.h"

namespace tarvonel {

// Everything the program asks of Windows, in one back end: one implementation talks to Windows
// itself, another to a simulated machine.
class Platform : public VolumeIo,
                 public OsFacts,
                 public TokenAccess,
                 public ProcessPower,
                 public DiskCheckLibrary,
                 public ShellAccess,
                 public RegistryAccess {};

// The roles the composition root hands out, each taken from where it comes: all from one
// Platform, or the volumes from another back end (real volumes in image files) and the rest
// from the machine. Each module is handed only the roles it uses.
struct PlatformRoles {
  // Implicit: a back end that is a whole Platform serves every role.
  PlatformRoles(Platform& platform)
      : volumes(platform), os(platform), token(platform), power(platform), diskCheck(platform), shell(platform),
        registry(platform) {}
  PlatformRoles(VolumeIo& volumeIo, Platform& rest)
      : volumes(volumeIo), os(rest), token(rest), power(rest), diskCheck(rest), shell(rest), registry(rest) {}

  VolumeIo& volumes;
  OsFacts& os;
  TokenAccess& token;
  ProcessPower& power;
  DiskCheckLibrary& diskCheck;
  ShellAccess& shell;
  RegistryAccess& registry;
};

}  // namespace tarvonel
