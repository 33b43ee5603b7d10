// The Linux console program: Tarvonel's start-up and command line on a simulated machine.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/program.h"
#include "front/linux/console_options.h"
#include "front/linux/map_png.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/machine_writer.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace {

using namespace tarvonel;

// Windows texts end lines in CR LF; a terminal wants LF.
std::string UnixLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

void PrintMessageBox(const MessageBoxRecord& box) {
  std::string text = UnixLines(box.prompt);
  std::string indented;
  for (char c : text) indented += (c == '\n') ? std::string("\n    ") : std::string(1, c);
  std::cerr << "[" << box.title << "] " << indented << std::endl;
}

void ReportHandover(const PendingHandover& handover, bool diskCheckFailed) {
  if (handover.contextMenuSettingsShown) {
    std::cerr << "tarvonel: the Explorer verbs window was asked for; this build does not have it yet.\n";
  }
  if (const auto& job = handover.Job()) {
    std::cerr << "tarvonel: command-line job: action " << JobActionName(job->action) << " on \"" << job->driveRoot
              << "\"" << (job->directory.empty() ? "" : ", directory \"" + job->directory + "\"")
              << (job->minimizeToTray ? ", to the notification area" : "")
              << (diskCheckFailed ? "; not run: the disk check found the volume dirty.\n"
                                  : "; the tray and after-job actions of a command-line job are not in this build yet.\n");
  }
}

// As a user would: select the drive the command line named (the drive list has selected the
// first one already), then click Analyze.
void Analyze(Program& program) {
  const std::string& root = program.Settings().DriveRoot;
  if (root.empty()) {
    std::cerr << "tarvonel: no drive to analyze\n";
    return;
  }
  if (program.Volume().Geometry().DriveRoot != root) program.Handover().SelectDrive(root);
  if (!program.Jobs().cmdanalysemore.Click()) std::cerr << "tarvonel: Analyze is not available now\n";
}

void PrintStatistics(JobWindow& jobs) {
  std::cout << jobs.Caption() << "\n";
  for (const Label& label : jobs.LblStats) std::cout << "  " << label.Caption() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  ConsoleOptions options;
  try {
    options = ParseConsoleOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    std::cerr << "tarvonel: " << error.what() << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << kConsoleHelp;
    return 0;
  }

  Machine machine;
  try {
    machine = options.machineFile ? LoadMachineFile(*options.machineFile) : ParseMachine(DemoMachineJson());
  } catch (const MachineError& error) {
    std::cerr << "tarvonel: " << error.what() << "\n";
    return 2;
  }

  SimPlatform platform(std::move(machine));
  platform.SetCommandTail(options.commandTail);
  SteadyClock clock;
  HeadlessToolkit toolkit(clock);
  toolkit.onMessageBox = PrintMessageBox;

  Program program(platform, toolkit);
  program.Handover().runCommandLinePasses = true;
  const StartupOutcome outcome = program.Run();
  // After a pass the statistics are those of a fresh analysis, as a user would look.
  const auto& job = program.Handover().Job();
  const bool passRan = job && job->action != JobAction::None && !program.Flags().DiskCheckFailed;
  const bool analyze = outcome == StartupOutcome::Started && (options.analyze || passRan);
  if (analyze) Analyze(program);
  if (program.Log().Window().Visible()) std::cout << UnixLines(program.Log().Text()) << std::flush;
  if (analyze) PrintStatistics(program.Jobs());
  ReportHandover(program.Handover(), program.Flags().DiskCheckFailed);
  if (options.saveMachineFile) {
    std::ofstream file(*options.saveMachineFile, std::ios::binary);
    file << MachineToJson(platform);
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
  return outcome == StartupOutcome::Started ? 0 : 1;
}
