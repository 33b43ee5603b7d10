// tarvonel defrag, optimize and compact: the Windows program's own pass, run from its command
// line on the volume as drive C:, with progress and the statistics before and after.
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "app/program.h"
#include "front/linux/console_boxes.h"
#include "front/linux/interrupt.h"
#include "front/linux/pass_stop.h"
#include "front/linux/tool/solid_state.h"
#include "front/linux/tool/tool_run.h"
#include "front/linux/tool/volume_report.h"
#include "platform/image/fat_volume.h"
#include "platform/image/volume_model.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

const char* SwitchOf(ToolVerb verb) {
  switch (verb) {
    case ToolVerb::Optimize: return "/o";
    case ToolVerb::Compact: return "/c";
    default: return "/d";
  }
}

// Defragmenting a solid-state device wears it for little gain: its user says so first.
bool MayRunOnSolidState(const ToolCommand& command) {
  if (command.demo || command.force || !IsSolidStateDevice(command.volume)) return true;
  if (!isatty(STDIN_FILENO)) {
    SayProblem(command.volume + " is a solid-state device, where moving files only wears it; give --force to run " +
               ToolVerbName(command.verb) + " anyway. Nothing was written.");
    return false;
  }
  std::cerr << command.volume << " is a solid-state device, where moving files only wears it. Run "
            << ToolVerbName(command.verb) << " anyway? [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

int64_t FreeRunCount(const std::vector<bool>& inUse) {
  int64_t runs = 0;
  for (size_t lcn = 0; lcn < inUse.size(); ++lcn) runs += !inUse[lcn] && (lcn == 0 || inUse[lcn - 1]) ? 1 : 0;
  return runs;
}

}  // namespace

int RunPass(const ToolCommand& command, ToolVolume& volume) {
  const VolumeFacts before = volume.Facts();
  if (RefusedAsDirty(volume, before)) return kExitRefused;
  if (!MayRunOnSolidState(command)) return kExitRefused;
  const FileCounts countsBefore = CountFiles(volume.Walk());
  const int64_t freeRunsBefore = FreeRunCount(volume.InUse());
  std::cout << "before:\n";
  PrintStatistics(std::cout, before, countsBefore);
  std::cout << std::flush;

  ImagePlatform& platform = volume.Platform();
  volume.Machine().SetCommandTail(std::string("/drv C: ") + SwitchOf(command.verb));
  SteadyClock clock;
  HeadlessToolkit toolkit(clock);
  ProgressLine progress(std::cerr, ProgressStyleFor(command));
  // Nothing waits with moves not yet on the volume: a box may stay up for as long as the user likes.
  toolkit.onMessageBox = [&](const MessageBoxRecord& box) {
    platform.CommitPendingMoves();
    progress.Finish();
    PrintMessageBox(box);
  };
  toolkit.onModal = [&](Window& window) {
    platform.CommitPendingMoves();
    progress.Finish();
    ServeModal(toolkit, window);
  };
  Program program(platform, toolkit);
  // The tool serves exFAT through the same passes; the Windows program itself stays with its three.
  program.Volume().AcceptFileSystem("exFAT");
  const auto started = std::chrono::steady_clock::now();
  StopPassOnInterrupt(
      toolkit, program, platform,
      [&] {
        const ProgressBar& bar = program.Jobs().PB;
        const std::string file = program.Jobs().etfich.Caption();
        // "Defragmenting volume C:\" says what the pass does now; the volume is known.
        const std::string title = program.Jobs().Caption();
        const size_t volumeWord = title.find(title.find(" on volume") != std::string::npos ? " on volume" : " volume");
        progress.Show({title.substr(0, volumeWord), bar.Max() > 0 ? static_cast<double>(bar.Value()) / bar.Max() : 0.0,
                       file.starts_with("C:\\") ? ToolPath(file) : file, platform.Moves(),
                       platform.ClustersMoved() * before.clusterBytes});
      },
      [&] { progress.Finish(); });
  program.Jobs().onPassEnded = [&platform] { platform.CommitPendingMoves(); };
  program.Run();
  const bool committed = platform.CommitPendingMoves();
  progress.Finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  fat::FatVolume* fat = volume.Fat();
  if (program.Flags().DiskCheckFailed) {
    SayProblem("the disk check found the volume dirty; repair it with " +
               (fat != nullptr ? fat->Image().RepairCommand() : std::string("a disk check")) + ". Nothing was written.");
    return kExitRefused;
  }
  const std::string refusal = fat != nullptr ? fat->Refusal() : std::string();
  if (!refusal.empty() && platform.Moves() == 0) {
    SayProblem(refusal + "; nothing was written");
    return kExitRefused;
  }
  const VolumeFacts after = volume.Facts();
  const FileCounts countsAfter = CountFiles(volume.Walk());
  std::cout << "after:\n";
  PrintStatistics(std::cout, after, countsAfter);
  char summary[160];
  std::snprintf(summary, sizeof summary, "%s: %d moves, %lld clusters (%.1f MiB) moved in %.2f s\n",
                ToolVerbName(command.verb), platform.Moves(), static_cast<long long>(platform.ClustersMoved()),
                static_cast<double>(platform.ClustersMoved() * before.clusterBytes) / (1024.0 * 1024.0), seconds);
  std::cout << summary;

  int status = kExitDone;
  if (WasInterrupted()) {
    std::cout << ToolVerbName(command.verb) << " was stopped by Ctrl-C; every file is whole\n";
    status = kExitInterrupted;
  } else if (!refusal.empty() || !committed) {
    SayProblem(refusal);
    status = kExitIncomplete;
  } else if (command.verb != ToolVerb::Compact && countsAfter.fragmented > 0) {
    std::cout << countsAfter.fragmented << " files are still in pieces (no free run holds them whole); "
              << "tarvonel contig VOLUME PATH makes one contiguous by moving other files aside\n";
    if (const size_t kept = fat != nullptr ? fat->FilesKeptAtTheirStart() : 0) {
      std::cout << kept << " of the files asked to move stayed where they begin: their exFAT directory entries lie "
                << "across a sector boundary, and a write torn there would lose the file, so Tarvonel never changes "
                << "them in place\n";
    }
    status = kExitIncomplete;
  } else if (command.verb == ToolVerb::Compact && platform.Moves() == 0 && freeRunsBefore > 1) {
    std::cout << "compact could move nothing; the free space is still in " << freeRunsBefore << " pieces\n";
    status = kExitIncomplete;
  }
  std::vector<FileLayout> layouts = volume.Walk();
  if (!WriteVolumeMap(command, volume, after, layouts, {}) && status == kExitDone) status = kExitIncomplete;
  return status;
}

}  // namespace tarvonel
