// Tarvonel-sim.exe: the real Windows windows on a simulated machine, so that they can be seen
// working where there is no defragmentation interface (Wine on Linux).
//   Tarvonel-sim.exe [--machine FILE] [--save-machine FILE] [--screenshot FILE.bmp]
//                    [--click WINDOW.CONTROL]... [--capture WINDOW FILE.bmp]... [--exit]
//                    [--watch-interval MS] [--] TAIL
// Exit status: 0, 2 a click or the saved machine failed, 3 a picture could not be taken.
// --screenshot takes the job window at the first yield of a pass; --capture takes a window
// after start-up and the clicks, or a modal window when it opens (and then closes it);
// --exit ends after the captures instead of serving the windows; --watch-interval reads the
// disk temperature every MS milliseconds instead of every 30 seconds, for short demos.
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "front/win32/window_capture.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/machine_writer.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_header.h"
#include "ui/controls/scripted_click.h"
#include "ui/win32/win32_toolkit.h"
#include "version.h"

#include <shellapi.h>

namespace {

using namespace tarvonel;

struct SimOptions {
  std::string machineFile;
  std::string saveMachineFile;
  std::string screenshotFile;
  std::vector<std::string> clicks;
  std::vector<std::pair<std::string, std::string>> captures;  // window name, file
  bool exitAfter = false;
  uint32_t watchIntervalMs = 0;  // 0: as the program has it
  std::string commandTail;
};

SimOptions ParseOptions() {
  int count = 0;
  LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(WideToUtf8(words[i]));
  ::LocalFree(words);
  SimOptions options;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--") {
      ++i;
      break;
    }
    if (args[i] == "--machine" && hasValue) {
      options.machineFile = args[++i];
    } else if (args[i] == "--save-machine" && hasValue) {
      options.saveMachineFile = args[++i];
    } else if (args[i] == "--screenshot" && hasValue) {
      options.screenshotFile = args[++i];
    } else if (args[i] == "--click" && hasValue) {
      options.clicks.push_back(args[++i]);
    } else if (args[i] == "--capture" && i + 2 < args.size()) {
      options.captures.emplace_back(args[i + 1], args[i + 2]);
      i += 2;
    } else if (args[i] == "--watch-interval" && hasValue) {
      options.watchIntervalMs = static_cast<uint32_t>(std::stoul(args[++i]));
    } else if (args[i] == "--exit") {
      options.exitAfter = true;
    } else {
      break;
    }
  }
  for (size_t first = i; i < args.size(); ++i) options.commandTail += (i > first ? " " : "") + args[i];
  return options;
}

// Takes the picture of the job window at the first yield of a pass: the analysis is done and
// the map drawn with its lists.
class CapturingToolkit : public Win32Toolkit {
 public:
  void DoEvents() override {
    Win32Toolkit::DoEvents();
    if (jobs_ == nullptr || file_.empty() || taken_) return;
    if (jobs_->State() != JobWindowState::Running || !jobs_->Affiche.Enabled()) return;
    taken_ = true;
    Capture(*jobs_, file_);
  }
  void CaptureJobWindow(JobWindow& jobs, std::string file) {
    jobs_ = &jobs;
    file_ = std::move(file);
  }
  // Modal windows named here are pictured when they open and then closed.
  void ShowModal(Window& window) override {
    for (const auto& [name, file] : modalCaptures_) {
      if (name != window.Name()) continue;
      Show(window);
      Settle();
      Capture(window, file);
      Hide(window);
      return;
    }
    Win32Toolkit::ShowModal(window);
  }
  void CaptureModal(std::vector<std::pair<std::string, std::string>> captures) { modalCaptures_ = std::move(captures); }
  // Lets the windows paint before a picture is taken.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      Win32Toolkit::DoEvents();
      ::Sleep(25);
    }
  }
  // A failed picture shows in the exit status: an unattended run must not wait on a box.
  void Capture(const Window& window, const std::string& file) {
    if (!CaptureWindow(NativeHandle(window), file)) captureFailed = true;
  }
  bool captureFailed = false;

 private:
  JobWindow* jobs_ = nullptr;
  std::string file_;
  bool taken_ = false;
  std::vector<std::pair<std::string, std::string>> modalCaptures_;
};

}  // namespace

int main() {
  CapturingToolkit toolkit;
  try {
    const SimOptions options = ParseOptions();
    SimPlatform platform(options.machineFile.empty() ? ParseMachine(DemoMachineJson())
                                                     : LoadMachineFile(options.machineFile));
    platform.SetCommandTail(options.commandTail);
    int result = 0;
    {
      Program program(platform, toolkit);
      toolkit.CaptureJobWindow(program.Jobs(), options.screenshotFile);
      toolkit.CaptureModal(options.captures);
      if (options.watchIntervalMs > 0) {
        program.Jobs().tmrTemperatures.SetInterval(options.watchIntervalMs);
        program.Jobs().TemperatureWarning().tmrTemperatures.SetInterval(options.watchIntervalMs);
      }
      if (program.Run() == StartupOutcome::Started && !toolkit.ProgramEnded()) {
        for (const std::string& target : options.clicks) {
          if (!ClickNamedControl(program.Windows(), target)) result = 2;
        }
        toolkit.Settle();
        for (const auto& [name, file] : options.captures) {
          for (Window* window : program.Windows()) {
            if (window->Name() == name && window->Visible()) toolkit.Capture(*window, file);
          }
        }
        if (!options.exitAfter) toolkit.RunMessageLoop();
      }
    }
    if (!options.saveMachineFile.empty()) {
      std::ofstream file(options.saveMachineFile, std::ios::binary);
      file << MachineToJson(platform);
      if (!file) result = 2;
    }
    return toolkit.captureFailed ? 3 : result;
  } catch (const std::exception& error) {
    toolkit.MsgBox(std::string("Tarvonel stopped: ") + error.what(), MsgBoxButtons::OK, MsgBoxIcon::Critical,
                   kProgramName);
    return 1;
  }
}
