// The Linux console program: Tarvonel on a simulated machine, its windows kept in memory.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/program_version.h"
#include "base/ascii.h"
#include "front/linux/console_boxes.h"
#include "front/linux/console_map.h"
#include "front/linux/console_options.h"
#include "front/linux/tool/interrupt.h"
#include "front/linux/pass_stop.h"
#include "front/linux/tool/tool_options.h"
#include "front/linux/tool/tool_run.h"
#include "front/linux/tool/map_png.h"
#include "front/linux/image_machine.h"
#include "platform/image/image_volume.h"
#include "platform/image/image_drive.h"
#include "platform/image/mount_check.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/machine_writer.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "ui/controls/scripted_click.h"
#include "ui/headless/headless_toolkit.h"

namespace {

using namespace tarvonel;

std::string ReadTextFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw MachineError("cannot open the machine file " + path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::optional<MsgBoxResult> AnswerNamed(const std::string& name) {
  const std::pair<const char*, MsgBoxResult> answers[] = {
      {"OK", MsgBoxResult::OK},       {"Cancel", MsgBoxResult::Cancel}, {"Abort", MsgBoxResult::Abort},
      {"Retry", MsgBoxResult::Retry}, {"Ignore", MsgBoxResult::Ignore}, {"Yes", MsgBoxResult::Yes},
      {"No", MsgBoxResult::No}};
  for (const auto& [text, answer] : answers) {
    if (name == text) return answer;
  }
  return std::nullopt;
}

// As a user would: pick the drive in the main window, hand it to the job window, Analyze.
void Analyze(Program& program) {
  const std::string& root = program.Settings().DriveRoot;
  MainWindow& main = program.Main();
  for (size_t i = 0; i < main.ImageCombo1.Items().size(); ++i) {
    if (main.ImageCombo1.Items()[i].text.starts_with(root.substr(0, 3))) {
      main.ImageCombo1.Select(static_cast<int>(i));
      main.ImageCombo1_Click();
    }
  }
  if (program.Volume().VolumeHandle() == nullptr) program.Main().prepare_job();
  if (!program.Jobs().cmdanalysemore.Click()) std::cerr << "tarvonel: Analyze is not available now\n";
}

void PrintStatistics(JobWindow& jobs) {
  std::cout << jobs.Caption() << "\n";
  for (const Label& label : jobs.LblStats) std::cout << "  " << label.Caption() << "\n";
}

void ReportMachine(const ImageMachine& platform, const HeadlessToolkit& toolkit) {
  const SimPlatform& machine = platform.Machine();
  if (const auto& tray = toolkit.Tray()) {
    std::cerr << "tarvonel: in the notification area: \"" << tray->tip << "\"\n";
  }
  if (const auto flags = machine.ExitRequest()) {
    std::cerr << "tarvonel: Windows was asked to shut down (ExitWindowsEx flags " << *flags << ")\n";
  }
  for (const auto& [path, link] : machine.Shell().links) {
    std::cerr << "tarvonel: shortcut " << path << " -> " << link.targetPath << " " << link.arguments << "\n";
  }
  if (platform.Moves() > 0) {
    std::cerr << "tarvonel: " << platform.Moves() << " moves, " << platform.ClustersMoved() << " clusters moved\n";
  }
  if (toolkit.ProgramEnded()) std::cerr << "tarvonel: the program ended itself\n";
}

// As the tool's: 2 when the run was refused and nothing written (the program would not start,
// the tail had a switch it could not take, the drive was dirty, missing or refused), 130 after
// Ctrl-C (143 after SIGTERM), 1 when the job ran but not as asked (a switch it could not take),
// left files in pieces or could not write all its moves.
// `movesBeforeWriteRefusal` is -1 when no write was refused.
int ExitStatus(Program& program, StartupOutcome outcome, bool driveRefused, int movesBeforeWriteRefusal) {
  const CommandLineJob& job = program.CommandLine();
  // The program goes on after some refused switches ("No dir specified." still runs /d on the
  // whole volume): then the job ran, but not as asked.
  if (program.TailParser().TailRefused() && job.PassRan()) return WasInterrupted() ? InterruptedExitStatus() : 1;
  if (outcome != StartupOutcome::Started || program.TailParser().TailRefused() || driveRefused) return 2;
  if (job.Asked() != JobAction::None && !job.PassRan()) return 2;
  if (movesBeforeWriteRefusal == 0) return 2;
  if (WasInterrupted()) return InterruptedExitStatus();
  if (movesBeforeWriteRefusal > 0) return 1;
  const bool defragments = job.Asked() == JobAction::Defragment || job.Asked() == JobAction::Optimize;
  // What the analysis after the pass showed the user: "fragmented: N".
  const std::string& fragmented = program.Jobs().LblStats[3].Caption();
  if (job.PassRan() && defragments && fragmented.starts_with("fragmented: ") && fragmented != "fragmented: 0") return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--version") {
    std::cout << "tarvonel " << ProgramVersionText().substr(1) << "\n";
    return 0;
  }
  if (!args.empty() && IsToolVerb(args[0])) {
    try {
      return RunTool(ParseToolCommand(args));
    } catch (const UsageError& error) {
      std::cerr << "tarvonel: " << error.what() << "\n";
      return kExitRefused;
    }
  }
  ConsoleOptions options;
  try {
    options = ParseConsoleOptions(args);
  } catch (const UsageError& error) {
    std::cerr << "tarvonel: " << error.what() << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << kToolHelp << "\n" << kConsoleHelp;
    return 0;
  }

  Machine machine;
  // Each image is held from here to the end of the run, so that no other run works on it meanwhile.
  std::vector<std::unique_ptr<image::ImageVolume>> volumes;
  try {
    if (options.images.empty()) {
      machine = options.machineFile ? LoadMachineFile(*options.machineFile) : ParseMachine(DemoMachineJson());
    } else {
      std::vector<ImageDrive> images;
      for (const std::string& text : options.images) images.push_back(ParseImageDrive(text));
      const std::string problem = image::ImageDrivesProblem(images);
      if (!problem.empty()) throw std::runtime_error(problem);
      for (const ImageDrive& image : images) volumes.push_back(std::make_unique<image::ImageVolume>(image.letter, image.path));
      const std::string base = options.machineFile ? ReadTextFile(*options.machineFile) : DemoMachineJson();
      machine = ParseMachine(WithImageDrives(base, volumes));
      for (const ImageDrive& image : images) {
        std::cerr << "tarvonel: " << image.letter << ": is the image " << image.path
                  << "; an analysis only reads it, a pass writes its moves to it\n";
      }
      for (const auto& volume : volumes) {
        if (const uint32_t lost = volume->LostClusters()) {
          std::cerr << "tarvonel: " << volume->Letter() << ": has " << lost
                    << " lost clusters (in use, yet no file holds them); they count as in use, and fsck.fat -a "
                       "reclaims them\n";
        }
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "tarvonel: " << error.what() << "\n";
    return 2;
  }

  SimPlatform simulated(std::move(machine));
  simulated.SetCommandTail(options.commandTail);
  ImageMachine platform(simulated, std::move(volumes));
  SteadyClock clock;
  HeadlessToolkit toolkit(clock);
  // Nothing waits with moves not yet on the volumes: a box may stay up for as long as the user likes.
  toolkit.onMessageBox = [&platform](const MessageBoxRecord& box) {
    platform.CommitPendingMoves();
    PrintMessageBox(box);
  };
  toolkit.onModal = [&toolkit, &platform](Window& window) {
    platform.CommitPendingMoves();
    ServeModal(toolkit, window);
  };
  for (const std::string& name : options.answers) {
    const std::optional<MsgBoxResult> answer = AnswerNamed(name);
    if (!answer) {
      std::cerr << "tarvonel: --answer takes OK, Cancel, Abort, Retry, Ignore, Yes or No, not " << name << "\n";
      return 2;
    }
    toolkit.QueueAnswer(*answer);
  }
  for (const auto& input : options.inputs) toolkit.QueueInput(input);

  Program program(platform.Roles(), toolkit);
  StopPassOnInterrupt(toolkit, program, platform.Drives());
  program.Jobs().onPassEnded = [&platform] { platform.CommitPendingMoves(); };
  try {
    const StartupOutcome outcome = program.Run();
    platform.CommitPendingMoves();
    for (const std::string& target : options.clicks) {
      if (toolkit.ProgramEnded()) break;
      if (!ClickNamedControl(program.Windows(), target)) std::cerr << "tarvonel: cannot click " << target << " now\n";
    }
    // The Explorer verbs window waits for OK or Cancel; without a scripted one, Cancel.
    if (program.ContextMenu().Visible() && !toolkit.ProgramEnded()) {
      std::cerr << "tarvonel: the \"Context menu items\" window is closed with Cancel\n";
      program.ContextMenu().cmdCancel.Click();
    }
    const bool jobRan = program.CommandLine().PassRan();
    // A drive refused for its size or file system is read by nothing, the console's Analyze included.
    const bool refused = program.Volume().Geometry().Refused() && (options.analyze || !options.commandTail.empty());
    const bool analyze = outcome == StartupOutcome::Started && (options.analyze || jobRan) &&
                         !program.Flags().DiskCheckFailed && !refused;
    // Given an image and no /drv, --analyze means the image, not the machine's first drive.
    if (analyze && !jobRan && !options.images.empty() && AsciiLower(options.commandTail).find("drv") == std::string::npos) {
      program.Settings().DriveRoot = std::string(1, ParseImageDrive(options.images.front()).letter) + ":\\";
    }
    if (analyze) Analyze(program);
    if (program.LogWindow().Window().Visible() || (jobRan && program.Settings().DebugLog)) {
      std::cout << UnixLines(program.Log().Text()) << std::flush;
    }
    if (analyze) PrintStatistics(program.Jobs());
    if (program.Flags().DiskCheckFailed) std::cerr << "tarvonel: the disk check found a dirty volume; no job ran\n";
    if (refused) std::cerr << "tarvonel: the drive was refused; nothing on it was read or moved\n";
    platform.CommitPendingMoves();
    ReportMachine(platform, toolkit);
    bool writeRefused = false;
    for (const auto& volume : platform.Volumes()) {
      if (volume->Refusal().empty()) continue;
      std::cerr << "tarvonel: " << volume->Refusal() << "\n";
      writeRefused = true;
    }
    if (options.saveMachineFile) {
      std::ofstream file(*options.saveMachineFile, std::ios::binary);
      file << MachineToJson(simulated);
      if (!file) {
        std::cerr << "tarvonel: cannot write " << *options.saveMachineFile << "\n";
        return 2;
      }
    }
    if (options.mapFile) {
      const std::string error = WriteMapPng(program.Jobs().Picdepartvolume.Surface(), *options.mapFile);
      if (!error.empty()) {
        std::cerr << "tarvonel: " << error << "\n";
        return 2;
      }
    }
    return ExitStatus(program, outcome, refused, writeRefused ? platform.Moves() : -1);
  } catch (const std::logic_error& error) {
    std::cerr << "tarvonel: " << error.what() << "\n";
    return 2;
  }
}
