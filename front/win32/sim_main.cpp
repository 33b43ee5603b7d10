// Tarvonel-sim.exe: the real Windows windows on a simulated machine, so that they can be seen
// working where there is no defragmentation interface (Wine on Linux).
//   Tarvonel-sim.exe [--machine FILE] [--save-machine FILE] [--screenshot FILE.bmp] [--] TAIL
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
#include "ui/win32/win32_toolkit.h"
#include "version.h"

#include <shellapi.h>

namespace {

using namespace tarvonel;

struct SimOptions {
  std::string machineFile;
  std::string saveMachineFile;
  std::string screenshotFile;
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
    if (!CaptureWindow(NativeHandle(*jobs_), file_)) {
      MsgBox("The job window could not be captured into " + file_, MsgBoxButtons::OK, MsgBoxIcon::Exclamation,
             kProgramName);
    }
  }
  void CaptureJobWindow(JobWindow& jobs, std::string file) {
    jobs_ = &jobs;
    file_ = std::move(file);
  }

 private:
  JobWindow* jobs_ = nullptr;
  std::string file_;
  bool taken_ = false;
};

}  // namespace

int main() {
  const SimOptions options = ParseOptions();
  CapturingToolkit toolkit;
  try {
    SimPlatform platform(options.machineFile.empty() ? ParseMachine(DemoMachineJson())
                                                     : LoadMachineFile(options.machineFile));
    platform.SetCommandTail(options.commandTail);
    int result = 0;
    {
      Program program(platform, toolkit);
      toolkit.CaptureJobWindow(program.Jobs(), options.screenshotFile);
      if (program.Run() == StartupOutcome::Started) toolkit.RunMessageLoop();
    }
    if (!options.saveMachineFile.empty()) {
      std::ofstream file(options.saveMachineFile, std::ios::binary);
      file << MachineToJson(platform);
      if (!file) result = 2;
    }
    return result;
  } catch (const std::exception& error) {
    toolkit.MsgBox(std::string("Tarvonel stopped: ") + error.what(), MsgBoxButtons::OK, MsgBoxIcon::Critical,
                   kProgramName);
    return 1;
  }
}
