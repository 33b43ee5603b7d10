#include "front/linux/tool/tool_options.h"

#include <utility>

namespace tarvonel {
namespace {

constexpr std::pair<const char*, ToolVerb> kVerbs[] = {
    {"analyze", ToolVerb::Analyze}, {"defrag", ToolVerb::Defrag}, {"optimize", ToolVerb::Optimize},
    {"compact", ToolVerb::Compact}, {"frag", ToolVerb::Frag},     {"contig", ToolVerb::Contig},
};

bool TakesPaths(ToolVerb verb) { return verb == ToolVerb::Frag || verb == ToolVerb::Contig; }
bool IsPass(ToolVerb verb) { return verb == ToolVerb::Defrag || verb == ToolVerb::Optimize || verb == ToolVerb::Compact; }

}  // namespace

const char* const kToolHelp =
    "usage: tarvonel COMMAND VOLUME [options]\n"
    "\n"
    "Defragments FAT12, FAT16, FAT32 and exFAT cards, sticks and images, and makes single files contiguous;\n"
    "every move is crash-safe: a power cut or a kill at any moment leaves every file whole.\n"
    "VOLUME is an image file or an unmounted block device (/dev/sdb1); mounted or loop-attached\n"
    "volumes are refused, and so are dirty ones for the passes (repair them with fsck.fat -a or\n"
    "fsck.exfat -y).\n"
    "\n"
    "commands:\n"
    "  analyze  VOLUME [--files] [--json] [--map FILE.png]   statistics; each fragmented file with --files\n"
    "  defrag   VOLUME     the Defrag pass: each fragmented file into one free run that holds it\n"
    "  optimize VOLUME     the Optimize pass: folders first, files packed, then the Defrag\n"
    "  compact  VOLUME     the Compact pass: files moved towards the start, free space after them\n"
    "  frag     VOLUME PATH...   each file's pieces and their cluster ranges\n"
    "  contig   VOLUME PATH...   make each file contiguous, moving other files aside when no free\n"
    "                            run holds it\n"
    "  analyze, defrag, optimize and compact take --demo instead of VOLUME: the built-in demo\n"
    "  machine's simulated NTFS drive, nothing real is written.\n"
    "\n"
    "options:\n"
    "  --map FILE.png  draw the volume (every cluster, with a legend and a scale) when done;\n"
    "                  frag and contig draw the named files in their own colour\n"
    "  --quiet         no progress\n"
    "  --force         run a pass on a solid-state device without asking\n"
    "  --version, --help, COMMAND --help\n"
    "\n"
    "PATH is a path inside the volume, /GAMES/GAME.ISO, matched without regard to case.\n"
    "Progress goes to stderr: one updating line on a terminal, plain lines otherwise.\n"
    "Ctrl-C stops after the move in hand and says how far the job got.\n"
    "\n"
    "exit status: 0 done; 1 the job ran but did not do all it was asked (a file left in pieces,\n"
    "nothing could move, a write failed); 2 bad usage or a volume refused (nothing written);\n"
    "130 stopped by Ctrl-C.\n"
    "\n"
    "The Windows program's console on a simulated computer: tarvonel [OPTIONS] -- COMMAND-TAIL\n"
    "(its options follow).\n";

bool IsToolVerb(const std::string& word) {
  for (const auto& [name, verb] : kVerbs) {
    if (word == name) return true;
  }
  return false;
}

const char* ToolVerbName(ToolVerb verb) {
  for (const auto& [name, known] : kVerbs) {
    if (known == verb) return name;
  }
  return "";
}

std::string ToolVerbHelp(ToolVerb verb) {
  const std::string name = ToolVerbName(verb);
  switch (verb) {
    case ToolVerb::Analyze:
      return "usage: tarvonel analyze VOLUME|--demo [--files] [--json] [--map FILE.png]\n"
             "Reads the volume (nothing is written) and prints its statistics; --files adds each\n"
             "fragmented file with its pieces; --json prints one JSON object instead\n"
             "(docs/tool-report-format.md).\n";
    case ToolVerb::Frag:
      return "usage: tarvonel frag VOLUME PATH... [--json] [--map FILE.png]\n"
             "Prints each file's pieces and their cluster ranges (as the FAT numbers clusters).\n"
             "exit status 2 when a path is not on the volume.\n";
    case ToolVerb::Contig:
      return "usage: tarvonel contig VOLUME PATH... [--quiet] [--map FILE.png]\n"
             "Makes each file contiguous. When no free run holds it, the part of the volume that\n"
             "needs the fewest clusters moved is cleared first, by moving other files' clusters\n"
             "elsewhere; each step is a crash-safe move. A file the volume cannot hold in one\n"
             "piece is refused before anything moves (exit status 1).\n";
    default:
      return "usage: tarvonel " + name + " VOLUME|--demo [--quiet] [--force] [--map FILE.png]\n"
             "Runs the " + name + " pass as the Windows program runs it, with progress, and prints\n"
             "the statistics before and after. Exit status 1 when files are left in pieces\n" +
             (verb == ToolVerb::Compact ? std::string("(compact: when nothing could move)") : std::string("")) +
             ".\n";
  }
}

ToolCommand ParseToolCommand(const std::vector<std::string>& args) {
  ToolCommand command;
  if (args.empty() || !IsToolVerb(args[0])) throw UsageError("no command (see --help)");
  for (const auto& [name, verb] : kVerbs) {
    if (args[0] == name) command.verb = verb;
  }
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || !arg.starts_with("--")) {
      words.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help") {
      command.help = true;
    } else if (arg == "--demo" && !TakesPaths(command.verb)) {
      command.demo = true;
    } else if (arg == "--json" && !IsPass(command.verb) && command.verb != ToolVerb::Contig) {
      command.json = true;
    } else if (arg == "--files" && command.verb == ToolVerb::Analyze) {
      command.files = true;
    } else if (arg == "--quiet") {
      command.quiet = true;
    } else if (arg == "--force" && IsPass(command.verb)) {
      command.force = true;
    } else if (arg == "--map") {
      if (i + 1 == args.size()) throw UsageError("--map needs a file name");
      command.mapFile = args[++i];
    } else {
      throw UsageError(std::string("unknown option ") + arg + " for " + ToolVerbName(command.verb) + " (see " +
                       ToolVerbName(command.verb) + " --help)");
    }
  }
  if (command.help) return command;
  if (!command.demo) {
    if (words.empty()) throw UsageError(std::string(ToolVerbName(command.verb)) + " needs a VOLUME (an image file or device)");
    command.volume = words.front();
    words.erase(words.begin());
  }
  if (TakesPaths(command.verb)) {
    if (words.empty()) throw UsageError(std::string(ToolVerbName(command.verb)) + " needs at least one PATH inside the volume");
    for (const std::string& path : words) {
      if (!path.starts_with("/")) throw UsageError("a PATH inside the volume begins with /: " + path);
    }
    command.paths = words;
  } else if (!words.empty()) {
    throw UsageError("unexpected " + words.front() + " (see " + ToolVerbName(command.verb) + " --help)");
  }
  return command;
}

}  // namespace tarvonel
