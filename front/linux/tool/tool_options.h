#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvonel {

// A command line the tool (or the Windows program's console) cannot take.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ToolVerb { Analyze, Defrag, Optimize, Compact, Frag, Contig };

// One run of the Linux tool: `tarvonel VERB VOLUME [PATH...] [options]`.
struct ToolCommand {
  ToolVerb verb = ToolVerb::Analyze;
  std::string volume;  // an image file or unmounted block device; empty with --demo
  bool demo = false;   // the built-in demo machine's drive instead of a volume
  std::vector<std::string> paths;  // frag and contig: paths inside the volume, "/GAMES/GAME.ISO"
  bool json = false;
  bool files = false;
  bool quiet = false;
  bool force = false;  // a pass on a solid-state device without asking
  std::optional<std::string> mapFile;
  bool help = false;  // COMMAND --help
};

// The words that begin a tool run rather than the Windows program's console.
bool IsToolVerb(const std::string& word);

// `args` without the program name, the verb first. Throws UsageError.
ToolCommand ParseToolCommand(const std::vector<std::string>& args);

// `tarvonel --help`: the tool's commands, then where the Windows program's console is.
extern const char* const kToolHelp;
// `tarvonel VERB --help`.
std::string ToolVerbHelp(ToolVerb verb);
const char* ToolVerbName(ToolVerb verb);

}  // namespace tarvonel
