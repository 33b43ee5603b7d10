#include "front/linux/tool/tool_run.h"

#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "base/ascii.h"
#include "front/linux/tool/interrupt.h"
#include "front/linux/tool/volume_picture.h"
#include "front/linux/tool/volume_report.h"
#include "platform/image/image_volume.h"
#include "filesystems/volume_model.h"

namespace tarvonel {

void SayProblem(const std::string& text) { std::cerr << "tarvonel: " << text << "\n"; }

ProgressLine::Style ProgressStyleFor(const ToolCommand& command) {
  if (command.quiet) return ProgressLine::Style::Quiet;
  return isatty(STDERR_FILENO) ? ProgressLine::Style::Terminal : ProgressLine::Style::Lines;
}

std::optional<size_t> FindLayout(const std::vector<FileLayout>& layouts, const std::string& toolPath) {
  // FAT matches names without regard to case.
  const std::string wanted = AsciiLower(EnginePath(toolPath));
  for (size_t i = 0; i < layouts.size(); ++i) {
    if (AsciiLower(layouts[i].path) == wanted) return i;
  }
  return std::nullopt;
}

bool WriteVolumeMap(const ToolCommand& command, ToolVolume& volume, const VolumeFacts& facts,
                    const std::vector<FileLayout>& layouts, const std::vector<size_t>& named) {
  if (!command.mapFile) return true;
  const std::string error =
      WritePng(DrawVolumePicture(facts, ShadeClusters(volume.InUse(), layouts, named)), *command.mapFile);
  if (error.empty()) return true;
  SayProblem(error);
  return false;
}

bool RefusedAsDirty(ToolVolume& volume, const VolumeFacts& facts) {
  image::ImageVolume* card = volume.Card();
  if (card == nullptr || !card->Dirty()) return false;
  SayProblem(facts.name + " is marked dirty (it was not cleanly removed, or a check found errors); repair it "
             "with " + card->Model().RepairCommand() + " first. Nothing was written.");
  return true;
}

int RunAnalyze(const ToolCommand& command, ToolVolume& volume) {
  const VolumeFacts facts = volume.Facts();
  const std::vector<FileLayout> layouts = volume.Walk([] { return !WasInterrupted(); });
  if (WasInterrupted()) {
    SayProblem(std::string(InterruptWord()) + "; the analysis was not finished");
    return InterruptedExitStatus();
  }
  if (command.json) {
    std::cout << JsonReport(facts, layouts);
  } else {
    PrintStatistics(std::cout, facts, CountFiles(layouts));
    if (command.files) PrintFragmentedFiles(std::cout, facts, layouts);
  }
  return WriteVolumeMap(command, volume, facts, layouts, {}) ? kExitDone : kExitIncomplete;
}

int RunFrag(const ToolCommand& command, ToolVolume& volume) {
  const VolumeFacts facts = volume.Facts();
  const std::vector<FileLayout> layouts = volume.Walk();
  std::vector<size_t> named;
  std::vector<const FileLayout*> found;
  bool missing = false;
  for (const std::string& path : command.paths) {
    const std::optional<size_t> index = FindLayout(layouts, path);
    if (!index) {
      SayProblem(path + " is not on " + facts.name);
      missing = true;
      continue;
    }
    named.push_back(*index);
    found.push_back(&layouts[*index]);
  }
  if (command.json) {
    std::cout << JsonReport(facts, layouts, found);
  } else {
    for (const FileLayout* layout : found) PrintPieces(std::cout, facts, *layout);
  }
  if (!WriteVolumeMap(command, volume, facts, layouts, named)) return kExitIncomplete;
  return missing ? kExitRefused : kExitDone;
}

int RunTool(const ToolCommand& command) {
  if (command.help) {
    std::cout << ToolVerbHelp(command.verb);
    return kExitDone;
  }
  CatchInterrupts();
  std::unique_ptr<ToolVolume> volume;
  try {
    volume = std::make_unique<ToolVolume>(command.volume, command.demo);
  } catch (const std::exception& error) {
    SayProblem(std::string(error.what()) + "; nothing was read or written");
    return kExitRefused;
  }
  std::string problem;
  if (!volume->Select(problem)) {
    SayProblem(problem + "; nothing was read or written");
    return kExitRefused;
  }
  try {
    switch (command.verb) {
      case ToolVerb::Analyze: return RunAnalyze(command, *volume);
      case ToolVerb::Frag: return RunFrag(command, *volume);
      case ToolVerb::Contig: return RunContig(command, *volume);
      default: return RunPass(command, *volume);
    }
  } catch (const std::exception& error) {
    // Every move made so far is whole on the volume (each is made safe on its own).
    if (image::ImageVolume* card = volume->Card()) card->CommitPendingMoves();
    SayProblem(std::string("the job failed: ") + error.what());
    return kExitIncomplete;
  }
}

}  // namespace tarvonel
