#include "front/linux/console_options.h"

namespace tarvonel {

const char* const kConsoleHelp =
    "usage: tarvonel [--machine FILE] [--analyze] [--map FILE.png] [--save-machine FILE]\n"
    "                [--answer BUTTON]... [--input TEXT | --cancel-input]... [--click WINDOW.CONTROL]...\n"
    "                [--image X:=FILE]... [--] COMMAND-TAIL\n"
    "\n"
    "Runs Tarvonel's start-up and command line on a simulated Windows computer.\n"
    "\n"
    "options:\n"
    "  --machine FILE  the computer to simulate, a machine description (docs/machine-format.md);\n"
    "                  without it, a built-in 64-bit Windows 10 computer with a fixed drive C:\n"
    "  --analyze       after the command tail, run the job window's Analyze on the selected\n"
    "                  drive (the one /drv names, else the first listed), then print the\n"
    "                  window title and the statistics\n"
    "  --map FILE.png  write the job window's cluster map as a PNG picture at the end\n"
    "  --save-machine FILE  write the machine as it is at the end, in the --machine format,\n"
    "                  to compare the volume's layout before and after a job\n"
    "  --answer BUTTON the answer to the next message box: OK, Cancel, Abort, Retry, Ignore,\n"
    "                  Yes or No (repeatable; boxes without one take their default button)\n"
    "  --input TEXT    what the user types into the next input box; --cancel-input cancels it\n"
    "  --click WINDOW.CONTROL  after start-up, click a control of a loaded window, for example\n"
    "                  frmMain.CmdJob, frmContext.Check1_4, frmContext.cmdOK (repeatable, in order)\n"
    "  --image X:=FILE a FAT12/16/32 image file or unmounted device as drive X: (repeatable);\n"
    "                  an analysis only reads it, a pass writes its moves to it\n"
    "  --help          this text\n"
    "  --              ends the options; all that follows is the command tail\n"
    "\n"
    "A command tail runs its job as Tarvonel.exe does: disk check, the pass, then /min, /down\n"
    "and /close act on the simulated machine; the statistics of an analysis after it are printed.\n"
    "Ctrl-C stops a pass after the move it is making, as its Stop command does; a second Ctrl-C\n"
    "ends the program at once.\n"
    "\n"
    "The command tail is what Tarvonel.exe receives after its own path on Windows. Its words\n"
    "are joined by single spaces; quote the whole tail to keep double spaces or double quotes,\n"
    "for example:  tarvonel -- '/d /dir \"C:\\My Files\"'\n"
    "\n"
    "switches of the command tail (\"-\" or \"/\", any case):\n"
    "  /drv X:      the drive to work on          /dir \"X:\\path\"  a directory, in double quotes\n"
    "  /d  /o  /c   defragment, optimize, compact\n"
    "  /low /normal /high   process priority      /min    hide into the notification area\n"
    "  /close       end the program after the job /down   power the computer off after the job\n"
    "  /vssafe      keep moves aligned for shadow copies\n"
    "  /dbg         show the debug log            /setshell  the Explorer verbs window\n"
    "\n"
    "Message boxes are printed to stderr and take their default button; a debug log that was\n"
    "shown is printed to stdout when the program ends.\n"
    "exit status: 0 done; 1 the job ran but did not do all it was asked (/d or /o left files in\n"
    "pieces, a batch of moves could not be written, a switch it could not take); 2 bad options\n"
    "or machine file, a switch the program could not take and no job ran, the program refused\n"
    "to start, or the drive was refused (dirty, missing, too large, another file system, not\n"
    "writable): nothing was written; 130 Ctrl-C.\n";

ConsoleOptions ParseConsoleOptions(const std::vector<std::string>& args) {
  ConsoleOptions options;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--machine") {
      if (i + 1 == args.size()) throw UsageError("--machine needs a file name");
      options.machineFile = args[++i];
    } else if (arg == "--analyze") {
      options.analyze = true;
    } else if (arg == "--save-machine") {
      if (i + 1 == args.size()) throw UsageError("--save-machine needs a file name");
      options.saveMachineFile = args[++i];
    } else if (arg == "--map") {
      if (i + 1 == args.size()) throw UsageError("--map needs a file name");
      options.mapFile = args[++i];
    } else if (arg == "--answer") {
      if (i + 1 == args.size()) throw UsageError("--answer needs a button name");
      options.answers.push_back(args[++i]);
    } else if (arg == "--input") {
      if (i + 1 == args.size()) throw UsageError("--input needs a text");
      options.inputs.emplace_back(args[++i]);
    } else if (arg == "--cancel-input") {
      options.inputs.emplace_back(std::nullopt);
    } else if (arg == "--image") {
      if (i + 1 == args.size()) throw UsageError("--image needs a drive and a file, for example C:=stick.img");
      options.images.push_back(args[++i]);
    } else if (arg == "--click") {
      if (i + 1 == args.size() || args[i + 1].find('.') == std::string::npos) {
        throw UsageError("--click needs WINDOW.CONTROL, for example frmContext.cmdOK");
      }
      options.clicks.push_back(args[++i]);
    } else if (arg.starts_with("--")) {
      throw UsageError("unknown option " + arg + " (see --help)");
    } else {
      break;  // the program's own switches, "-d" among them, begin the tail
    }
  }
  for (size_t first = i; i < args.size(); ++i) {
    if (i > first) options.commandTail += ' ';
    options.commandTail += args[i];
  }
  return options;
}

}  // namespace tarvonel
