#include "shell/context_menu_window.h"

#include "platform/shell_access.h"
#include "platform/win32_codes.h"
#include "shell/shortcuts.h"
#include "ui/controls/toolkit.h"
#include "version.h"

namespace tarvonel {

// The silent verbs promise low priority in their captions, so their commands ask for it.
const std::array<ExplorerVerb, 6> kExplorerVerbs{{
    {"Directory\\shell\\Tarvonel Defrag", "Defrag", " /d /dir ", true},
    {"Directory\\shell\\Tarvonel Defrag Background", "Defrag silent (minimized, low priority then close)",
     " /min /close /low /d /dir ", true},
    {"Drive\\shell\\Tarvonel Defrag", "Defrag", " /d /drv ", false},
    {"Drive\\shell\\Tarvonel Defrag Background", "Defrag silent (minimized, low priority then close)",
     " /min /close /low /d /drv ", false},
    {"Drive\\shell\\Tarvonel Optimize", "Optimize", " /o /drv ", false},
    {"Drive\\shell\\Tarvonel Optimize Shutdown", "Optimize then shutdown", " /down /o /drv ", false},
}};

std::string VerbCommand(const std::string& programFolder, const ExplorerVerb& verb) {
  // Quoted: unquoted, a path with blanks would start a program named after its first word.
  return "\"" + AddSlash(programFolder) + "Tarvonel.exe\"" + verb.switches + (verb.folder ? "\"%1\"" : "%1");
}

frmContext::frmContext(RegistryAccess& registry, ShellAccess& shell, Toolkit& toolkit)
    : Window("frmContext", "Context menu items", 400, 254),
      Check1{CheckBox("Check1_0", kExplorerVerbs[0].caption), CheckBox("Check1_1", kExplorerVerbs[1].caption),
             CheckBox("Check1_2", kExplorerVerbs[2].caption), CheckBox("Check1_3", kExplorerVerbs[3].caption),
             CheckBox("Check1_4", kExplorerVerbs[4].caption), CheckBox("Check1_5", kExplorerVerbs[5].caption)},
      shell_(shell),
      toolkit_(toolkit),
      registry_(registry, toolkit) {
  cmdOK.OnClick = [this] { cmdOK_Click(); };
  cmdApply.OnClick = [this] { cmdApply_Click(); };
  cmdCancel.OnClick = [this] { cmdCancel_Click(); };
  Frame1.SetPlacement({10, 6, 380, 204});
  LblFolders.SetPlacement({20, 30, 100, 18});
  Check1[0].SetPlacement({30, 50, 360, 20});
  Check1[1].SetPlacement({30, 72, 360, 20});
  LblDrives.SetPlacement({20, 98, 100, 18});
  for (size_t i = 2; i < Check1.size(); ++i) Check1[i].SetPlacement({30, 118 + 22 * static_cast<int>(i - 2), 360, 20});
  cmdOK.SetPlacement({130, 218, 80, 26});
  cmdApply.SetPlacement({220, 218, 80, 26});
  cmdCancel.SetPlacement({310, 218, 80, 26});
  Register(Frame1);
  Register(LblFolders);
  Register(Check1[0]);
  Register(Check1[1]);
  Register(LblDrives);
  for (size_t i = 2; i < Check1.size(); ++i) Register(Check1[i]);
  for (Control* control : std::initializer_list<Control*>{&cmdOK, &cmdApply, &cmdCancel}) Register(*control);
}

void frmContext::Form_Load() {
  for (size_t i = 0; i < kExplorerVerbs.size(); ++i) {
    const bool registered =
        !registry_.RegReadString(win32::kHkeyClassesRoot, std::string(kExplorerVerbs[i].key) + "\\command", "").empty();
    Check1[i].SetValue(registered);
  }
}

void frmContext::cmdApply_Click() {
  const std::string folder = shell_.ProgramFolder();
  std::string failed;
  for (size_t i = 0; i < kExplorerVerbs.size(); ++i) {
    if (!Check1[i].Value()) continue;
    if (!registry_.RegWriteString(win32::kHkeyClassesRoot, std::string(kExplorerVerbs[i].key) + "\\command", "",
                                  VerbCommand(folder, kExplorerVerbs[i]))) {
      failed += "\r\n" + std::string(kExplorerVerbs[i].key);
    }
  }
  // A verb that did not reach the registry must not look registered.
  if (!failed.empty()) {
    toolkit_.MsgBox("These context menu items could not be written:" + failed, MsgBoxButtons::OK,
                    MsgBoxIcon::Exclamation, kProgramName);
  }
  for (size_t i = 0; i < kExplorerVerbs.size(); ++i) {
    if (!Check1[i].Value()) registry_.RegDeleteKeyTree(win32::kHkeyClassesRoot, kExplorerVerbs[i].key);
  }
}

void frmContext::cmdOK_Click() {
  cmdApply_Click();
  toolkit_.EndProgram();
}

void frmContext::cmdCancel_Click() { toolkit_.EndProgram(); }

}  // namespace tarvonel
