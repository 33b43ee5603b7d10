// Tarvonel.exe: the program on the real Windows platform and windows.
#include <exception>

#include "app/program.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_toolkit.h"
#include "version.h"

int main() {
  using namespace tarvonel;
  Win32Platform platform;
  Win32Toolkit toolkit;
  try {
    Program program(platform, toolkit);
    if (program.Run() != StartupOutcome::Started) return 0;
    toolkit.RunMessageLoop();
  } catch (const std::exception& error) {
    toolkit.MsgBox(std::string("Tarvonel stopped: ") + error.what(), MsgBoxButtons::OK, MsgBoxIcon::Critical,
                   kProgramName);
    return 1;
  }
  return 0;
}
