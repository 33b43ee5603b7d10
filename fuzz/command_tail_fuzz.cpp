// The command tail: whatever the bytes, the parser reads them into job settings without fault,
// and a drive it takes is a drive root.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/command_line.h"
#include "ui/debug_log/debug_log_window.h"
#include "ui/handover.h"
#include "ui/headless/headless_toolkit.h"

namespace {

using namespace tarvonel;

class QuietHandover : public Handover {
 public:
  void Introduction() override {}
  void HideMainWindow() override {}
  void HideJobWindow() override {}
  void ShowContextMenuSettings() override {}
  void SetProcessPriority(uint32_t) override {}
  void RunCommandLineJob(JobAction, bool) override {}
  void ShowMainWindow() override {}
  Window* MainForm() override { return nullptr; }
  void MinimizeToTray() override {}
  void CleanupSystray() override {}
  bool ClearRecycledChecked() override { return false; }
  void EmptyRecycleBin() override {}
  void RunPass(JobAction) override {}
  void UnloadOtherWindows() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string tail(reinterpret_cast<const char*>(data), size);
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  DebugLog log;
  DebugLogWindow logWindow(toolkit, log);
  JobSettings settings;
  settings.DriveRoot = "C:\\";
  QuietHandover handover;
  CommandLineParser parser(settings, logWindow, toolkit, handover);
  parser.process_cmd_line(tail);
  // The drive root always ends in a backslash, as every use of it expects.
  if (settings.DriveRoot.empty() || settings.DriveRoot.back() != '\\') abort();
  return 0;
}
