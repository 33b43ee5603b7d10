#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "ui/controls/controls.h"
#include "ui/controls/window.h"
#include "ui/main_window/drive_facts.h"

namespace tarvonel {

class Catalogue;
class CheckRunner;
class JobWindow;
class OsFacts;
class ProcessPower;
class ShellAccess;
class VolumeIo;
class Toolkit;
class VolumeAccess;
struct JobFlags;
struct JobSettings;

// Window heights, in twips as the program states them and in pixels (15 twips each).
inline constexpr int kMainCollapsedTwips = 2505;
inline constexpr int kMainExpandedTwips = 5985;
inline constexpr int kTwipsPerPixel = 15;
inline constexpr uint32_t kWmLButtonDown = 513;

// The main window: the drive list with each drive's disk check, drive selection, the job
// composer for desktop shortcuts, priority, the links, and the notification-area icon.
class MainWindow : public Window {
 public:
  struct Parts {
    VolumeIo& io;
    OsFacts& os;
    ShellAccess& shell;
    ProcessPower& power;
    Toolkit& toolkit;
    JobSettings& settings;
    JobFlags& flags;
    VolumeAccess& volume;
    Catalogue& catalogue;
    JobWindow& jobWindow;
    CheckRunner& checks;
    std::string& prefetchDir;
    std::string& exclusionText;
  };
  explicit MainWindow(Parts parts);

  ImageCombo ImageCombo1{"ImageCombo1"};
  Button CmdGo{"CmdGo", "Select Drive"};
  Button CmdJob{"CmdJob", "More >>"};
  CheckBox VSS_LIVE{"VSS_LIVE", "VSS safe-mode"};
  CheckBox CheckDelBin{"CheckDelBin", "Clear Recycled"};
  Label Lblversion{"Lblversion"};
  Label Label2{"Label2", "Web:"};
  Label lblInfo{"lblInfo"};
  Label fbsharepic{"fbsharepic", "Share"};
  Frame Frame3{"Frame3", " Action "};
  OptionGroup actionGroup;
  OptionButton Option1{"Option1", "Defrag", actionGroup};
  OptionButton Option2{"Option2", "Compact", actionGroup};
  OptionButton Option3{"Option3", "Optimize", actionGroup};
  OptionGroup priorityGroup;
  OptionButton OptPrioLow{"OptPrioLow", "Low", priorityGroup};
  OptionButton OptPrioMed{"OptPrioMed", "Normal", priorityGroup};
  OptionButton OptPrioHi{"OptPrioHi", "High", priorityGroup};
  CheckBox Chk_Minmized{"Chk_Minmized", "Run minimized"};
  CheckBox Chk_ShutDown{"Chk_ShutDown", "When done:"};
  Frame FrmAfter{"FrmAfter", ""};
  OptionGroup afterGroup;
  OptionButton OptClose{"OptClose", "Close", afterGroup};
  OptionButton OptShutDown{"OptShutDown", "Shutdown", afterGroup};
  Frame Frame1{"Frame1", " Create task shortcut (saved on desktop) "};
  CheckBox VSS_Command{"VSS_Command", "VSS safe-mode"};
  Button Command2{"Command2", "Create desktop shortcut Job "};
  Frame Frame4{"Frame4", " Skip these extensions: (example: *.tmp; *.vhd) - defrag only!"};
  TextBox ExcludeTxt{"ExcludeTxt"};

  void Form_Load();
  // Builds the drive list, checks each drive and selects the first.
  void Introduction();
  void ImageCombo1_Click();
  void CmdGo_Click();
  void CmdJob_Click();
  // The command-line job's drive: re-read the facts, open the volume, reset the job window.
  // False when no volume could be opened for it.
  bool prepare_job();
  void build_job_command();
  void lblInfo_Click();
  void fbsharepic_Click();
  void lblInfo_MouseMove();
  void Form_MouseMove() override;
  void Command2_Click();

  void minimize_to_tray();
  void cleanup_systray();
  void TrayIcon_Callback(uint32_t mouseMessage) override;
  // Sets the priority class of the program's process and returns the class read back.
  uint32_t SetPriority(uint32_t priorityClass);

  const std::string& JobCommand() const { return jobCommand_; }
  const DriveFacts& Facts() const { return facts_; }
  // The selected drive may not be worked on (too large, or not NTFS or FAT); it was told once.
  bool SelectedDriveRefused() const;
  // Mounted read-only: analysed, but no pass runs on it.
  bool SelectedDriveReadOnly() const;

 private:
  // The fragments of the composed job command.
  struct Composer {
    std::string action, priority, minimized, afterJob, vss;
  };
  // Reads the file-system name for the selected drive; `noMedium` names a removable drive
  // whose medium cannot be read, and then the answer is false.
  bool ReadSelectedFileSystem(const std::string& noMedium);
  // Close the volume and take DriveRoot from `root`, with its type and device path.
  void TakeDrive(const std::string& root);
  bool ListDrive(const std::string& root);
  // Refuses a drive that is too large or holds another file system, telling the user once for
  // the drive selected; otherwise opens it. False when refused. Without a medium there is no
  // file system to refuse, and the open fails by itself.
  bool OpenSelectedDrive(bool mediumRead);
  void ResetComposer();
  void LayOutControls();

  Parts p_;
  DriveFacts facts_;
  Composer composer_;
  std::string jobCommand_;
  std::string refusalShownFor_;  // the drive root whose refusal the user has seen
};

}  // namespace tarvonel
