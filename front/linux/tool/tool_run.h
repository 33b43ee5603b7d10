#pragma once
#include <optional>
#include <string>
#include <vector>

#include "front/linux/tool/progress_line.h"
#include "front/linux/tool/tool_options.h"
#include "front/linux/tool/tool_volume.h"
#include "placement/contiguous_file.h"

namespace tarvonel {

// The tool's exit status.
inline constexpr int kExitDone = 0;
inline constexpr int kExitIncomplete = 1;   // it ran, but did not do all it was asked
inline constexpr int kExitRefused = 2;      // bad usage or a volume refused; nothing written
inline constexpr int kExitInterrupted = 130;  // Ctrl-C; SIGTERM gives 143 (InterruptedExitStatus)

// Runs one tool command to its end; its report goes to stdout, progress and problems to stderr.
int RunTool(const ToolCommand& command);

// The commands, on a volume opened and selected.
int RunAnalyze(const ToolCommand& command, ToolVolume& volume);
int RunFrag(const ToolCommand& command, ToolVolume& volume);
int RunContig(const ToolCommand& command, ToolVolume& volume);
int RunPass(const ToolCommand& command, ToolVolume& volume);

// The pieces they share.
ProgressLine::Style ProgressStyleFor(const ToolCommand& command);
// The index of the file at `toolPath` ("/GAMES/GAME.ISO", any case), if it is on the volume.
std::optional<size_t> FindLayout(const std::vector<FileLayout>& layouts, const std::string& toolPath);
// The plan that makes layouts[target] contiguous on this volume, with what the volume will not
// move marked in `layouts` (it stays where it is).
ContiguousPlan PlanContiguousOn(ToolVolume& volume, std::vector<FileLayout>& layouts, size_t target);
// Writes the picture of the volume to --map's file; false (having said why) when it cannot.
bool WriteVolumeMap(const ToolCommand& command, ToolVolume& volume, const VolumeFacts& facts,
                    const std::vector<FileLayout>& layouts, const std::vector<size_t>& named);
// A volume the file system marks dirty takes no job: said, and true.
bool RefusedAsDirty(ToolVolume& volume, const VolumeFacts& facts);
void SayProblem(const std::string& text);

}  // namespace tarvonel
