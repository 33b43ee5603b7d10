#pragma once
#include <array>
#include <string>

#include "shell/registry.h"
#include "ui/controls/controls.h"
#include "ui/controls/window.h"

namespace tarvonel {

class RegistryAccess;
class ShellAccess;
class Toolkit;

struct ExplorerVerb {
  const char* key;      // below HKEY_CLASSES_ROOT
  const char* caption;  // of its check box
  const char* switches;
  bool folder;  // a folder verb passes its path quoted after /dir; a drive verb its root after /drv
};

// The six verbs, by check-box index.
extern const std::array<ExplorerVerb, 6> kExplorerVerbs;

// The command a verb registers: the quoted program path, then the verb's switches.
std::string VerbCommand(const std::string& programFolder, const ExplorerVerb& verb);

// "Context menu items": which Explorer verbs are registered; adds and removes them.
class frmContext : public Window {
 public:
  frmContext(RegistryAccess& registry, ShellAccess& shell, Toolkit& toolkit);

  Frame Frame1{"Frame1", "Choose items to display in Explorer context menus"};
  Label LblFolders{"Label1", "Folders:"};
  Label LblDrives{"Label2", "Drives:"};
  std::array<CheckBox, 6> Check1;
  Button cmdOK{"cmdOK", "OK"};
  Button cmdApply{"cmdApply", "Apply"};
  Button cmdCancel{"cmdCancel", "Cancel"};

  void Form_Load();
  void cmdApply_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  ShellAccess& shell_;
  Toolkit& toolkit_;
  RegistryRoutines registry_;
};

}  // namespace tarvonel
