#include "ui/main_window/main_window.h"

#include "base/ascii.h"
#include "base/job_flags.h"
#include "base/job_settings.h"
#include "base/text_encoding.h"
#include "diskcheck/check_runner.h"
#include "platform/os_facts.h"
#include "platform/process_control.h"
#include "platform/process_power.h"
#include "platform/shell_access.h"
#include "platform/volume_io.h"
#include "shell/shortcuts.h"
#include "ui/controls/toolkit.h"
#include "ui/handover.h"
#include "ui/job_window/job_window.h"
#include "version.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

constexpr uint32_t kLinkBlue = 0xFF0000;
constexpr uint32_t kLinkNavy = 0x800000;
constexpr int kWidth = 480;

bool SameDrive(const std::string& a, const std::string& b) {
  return a.size() >= 2 && b.size() >= 2 && AsciiUpper(a.substr(0, 2)) == AsciiUpper(b.substr(0, 2));
}

}  // namespace

MainWindow::MainWindow(Parts parts)
    : Window("frmMain", "Tarvonel - Hard disk defragmenter and optimizer", kWidth, kMainCollapsedTwips / kTwipsPerPixel),
      p_(parts) {
  lblInfo.SetCaption(kProductWebAddress);
  lblInfo.SetForeColor(kLinkNavy);
  lblInfo.handPointer = true;
  lblInfo.OnMouseMove = [this] { lblInfo_MouseMove(); };
  ExcludeTxt.editable = true;
  ImageCombo1.OnClick = [this] { ImageCombo1_Click(); };
  CmdGo.OnClick = [this] { CmdGo_Click(); };
  CmdJob.OnClick = [this] { CmdJob_Click(); };
  VSS_LIVE.OnClick = [this] { p_.settings.VssSafe = VSS_LIVE.Value(); };
  lblInfo.OnClick = [this] { lblInfo_Click(); };
  fbsharepic.OnClick = [this] { fbsharepic_Click(); };
  Command2.OnClick = [this] { Command2_Click(); };
  Option1.OnClick = [this] { composer_.action = " /d"; build_job_command(); };
  Option2.OnClick = [this] { composer_.action = " /c"; build_job_command(); };
  Option3.OnClick = [this] { composer_.action = " /o"; build_job_command(); };
  OptPrioLow.OnClick = [this] {
    SetPriority(kIdlePriorityClass);
    composer_.priority = " /low";
    build_job_command();
  };
  OptPrioMed.OnClick = [this] {
    SetPriority(kNormalPriorityClass);
    composer_.priority = " /normal";
    build_job_command();
  };
  OptPrioHi.OnClick = [this] {
    SetPriority(kAboveNormalPriorityClass);
    composer_.priority = " /high";
    build_job_command();
  };
  Chk_Minmized.OnClick = [this] {
    composer_.minimized = Chk_Minmized.Value() ? " /min" : "";
    build_job_command();
  };
  Chk_ShutDown.OnClick = [this] {
    const bool ticked = Chk_ShutDown.Value();
    for (Control* control : std::initializer_list<Control*>{&FrmAfter, &OptClose, &OptShutDown}) {
      control->SetEnabled(ticked);
    }
    if (!ticked) {
      OptClose.SetValue(false);
      OptShutDown.SetValue(false);
      composer_.afterJob.clear();
    }
    build_job_command();
  };
  OptClose.OnClick = [this] {
    if (Chk_ShutDown.Value()) composer_.afterJob = " /close";
    build_job_command();
  };
  OptShutDown.OnClick = [this] {
    if (Chk_ShutDown.Value()) composer_.afterJob = " /down";
    build_job_command();
  };
  VSS_Command.OnClick = [this] {
    composer_.vss = VSS_Command.Value() ? " /vssafe" : "";
    build_job_command();
  };
  ExcludeTxt.OnChange = [this] { p_.exclusionText = ExcludeTxt.Text(); };
  for (Control* control : std::initializer_list<Control*>{&FrmAfter, &OptClose, &OptShutDown}) {
    control->SetEnabled(false);
  }
  LayOutControls();
  for (Control* control : std::initializer_list<Control*>{
           &ImageCombo1, &CmdGo, &CmdJob, &VSS_LIVE, &CheckDelBin, &Lblversion, &Label2, &lblInfo, &fbsharepic,
           &Frame3, &Option1, &Option2, &Option3, &OptPrioLow, &OptPrioMed, &OptPrioHi, &Chk_Minmized,
           &Chk_ShutDown, &FrmAfter, &OptClose, &OptShutDown, &Frame1, &VSS_Command, &Command2, &Frame4,
           &ExcludeTxt}) {
    Register(*control);
  }
}

void MainWindow::LayOutControls() {
  ImageCombo1.SetPlacement({10, 10, 340, 24});
  CmdGo.SetPlacement({360, 10, 110, 26});
  CmdJob.SetPlacement({360, 42, 110, 26});
  VSS_LIVE.SetPlacement({10, 44, 160, 20});
  CheckDelBin.SetPlacement({180, 44, 160, 20});
  Lblversion.SetPlacement({10, 76, 100, 18});
  Label2.SetPlacement({10, 100, 36, 18});
  lblInfo.SetPlacement({48, 100, 300, 18});
  fbsharepic.SetPlacement({360, 100, 110, 18});
  // The composer panel, below the collapsed height.
  Frame3.SetPlacement({10, 170, 140, 92});
  Option1.SetPlacement({20, 188, 120, 20});
  Option2.SetPlacement({20, 210, 120, 20});
  Option3.SetPlacement({20, 232, 120, 20});
  OptPrioLow.SetPlacement({164, 188, 100, 20});
  OptPrioMed.SetPlacement({164, 210, 100, 20});
  OptPrioHi.SetPlacement({164, 232, 100, 20});
  Chk_Minmized.SetPlacement({280, 176, 180, 20});
  Chk_ShutDown.SetPlacement({280, 198, 180, 20});
  FrmAfter.SetPlacement({280, 218, 190, 44});
  OptClose.SetPlacement({290, 234, 80, 20});
  OptShutDown.SetPlacement({376, 234, 88, 20});
  Frame1.SetPlacement({10, 268, 460, 70});
  VSS_Command.SetPlacement({20, 286, 160, 20});
  Command2.SetPlacement({20, 308, 440, 24});
  Frame4.SetPlacement({10, 342, 460, 50});
  ExcludeTxt.SetPlacement({20, 362, 440, 22});
}

void MainWindow::Form_Load() {
  Lblversion.SetCaption("v" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                        std::to_string(kVersionRevision));
  p_.prefetchDir = TrimAtNul(p_.os.WindowsDirectory()) + "\\Prefetch";
  MoveOnScreen(*this, p_.toolkit, p_.toolkit.ScreenWidth() / 2 - Width() / 2,
               p_.toolkit.ScreenHeight() / 2 - Height());
  p_.toolkit.Show(p_.jobWindow);
  p_.jobWindow.Form_Load();
  p_.settings.VssSafe = false;
}

bool MainWindow::ListDrive(const std::string& root) {
  facts_.Type = p_.os.DriveTypeOf(root);
  p_.settings.DriveRoot = root;
  p_.volume.Geometry().VolumePath = "\\\\.\\" + root.substr(0, 2);
  if (root[0] == 'A') return false;  // the floppy drive is never examined
  if (facts_.Type != DriveType::Removable && facts_.Type != DriveType::Fixed) return false;
  std::string& fileSystem = p_.volume.Geometry().FileSystemName;
  if (facts_.Type == DriveType::Removable) {
    const std::optional<std::vector<uint8_t>> boot = ReadBootSector(p_.io, root, facts_);
    if (!boot) return false;  // no medium: a card reader without a card
    const VolumeInformation info = p_.io.QueryVolumeInformation(root);
    fileSystem = DriveFileSystem(*boot, info.fileSystemName);
    // Removable drives have labels too; without this the previous drive's would show.
    facts_.VolumeLabel = TrimAtNul(info.label);
  } else {
    const VolumeInformation info = p_.io.QueryVolumeInformation(root);
    facts_.VolumeLabel = info.label;
    fileSystem = TrimTrailingBlanks(TrimAtNul(info.fileSystemName));
    if (fileSystem.starts_with("FAT")) {
      const std::optional<std::vector<uint8_t>> boot = ReadBootSector(p_.io, root, facts_);
      fileSystem = boot ? DriveFileSystem(*boot, fileSystem) : std::string();
    }
  }
  fileSystem = TrimTrailingBlanks(fileSystem);
  std::string text = root + "  " + (facts_.Type == DriveType::Removable ? "Removable disk" : "Fixed disk") + "  [" +
                     TrimAtNul(facts_.VolumeLabel) + "]";
  p_.checks.runchkdsk(p_.settings.DriveRoot.substr(0, 2));
  text += p_.flags.DiskCheckFailed ? "  Status: Error!" : "  Status: Ok";
  ImageCombo1.AddItem(text, SameDrive(p_.prefetchDir, p_.settings.DriveRoot) ? 2 : 1);
  return true;
}

void MainWindow::Introduction() {
  ImageCombo1.Clear();
  const std::string roots = p_.os.LogicalDriveStrings();
  // Each root takes four characters: "C:\" and its NUL; the list ends with a second NUL.
  for (size_t at = 0; at + 3 <= roots.size() && roots[at] != '\0'; at += 4) {
    p_.toolkit.DoEvents();
    ListDrive(AsciiUpper(roots.substr(at, 3)));
  }
  if (!ImageCombo1.Items().empty()) {
    ImageCombo1.Select(0);
    ImageCombo1_Click();
  }
}

void MainWindow::TakeDrive(const std::string& root) {
  p_.volume.CloseVolume();
  p_.settings.DriveRoot = root.substr(0, 3);
  facts_.Type = p_.os.DriveTypeOf(p_.settings.DriveRoot);
  p_.volume.Geometry().VolumePath = "\\\\.\\" + p_.settings.DriveRoot.substr(0, 2);
}

bool MainWindow::ReadSelectedFileSystem(const std::string& noMedium) {
  std::string& fileSystem = p_.volume.Geometry().FileSystemName;
  bool mediumRead = true;
  if (facts_.Type == DriveType::Fixed || facts_.Type == DriveType::CdRom) {
    const VolumeInformation info = p_.io.QueryVolumeInformation(p_.settings.DriveRoot);
    facts_.VolumeLabel = info.label;
    fileSystem = TrimAtNul(info.fileSystemName);
    mediumRead = info.error == 0;
  } else if (facts_.Type == DriveType::Removable) {
    const std::optional<std::vector<uint8_t>> boot = ReadBootSector(p_.io, p_.settings.DriveRoot, facts_);
    // A drive whose medium is gone must not keep the previous drive's file system.
    const std::string reported = p_.io.QueryVolumeInformation(p_.settings.DriveRoot).fileSystemName;
    fileSystem = boot ? DriveFileSystem(*boot, reported) : noMedium;
    mediumRead = boot.has_value();
  }
  fileSystem = TrimTrailingBlanks(fileSystem);
  return mediumRead;
}

void MainWindow::ImageCombo1_Click() {
  const int index = ImageCombo1.SelectedIndex();
  if (index < 0) return;
  TakeDrive(ImageCombo1.Items()[static_cast<size_t>(index)].text);
  const bool mediumRead = ReadSelectedFileSystem("Insérez un support");
  const bool usable = !p_.volume.Geometry().FileSystemName.empty() || facts_.Type == DriveType::CdRom;
  // A drive that cannot be worked on must not be handed to the job window.
  const bool workable = usable && OpenSelectedDrive(mediumRead) && p_.volume.VolumeHandle() != nullptr;
  CmdJob.SetEnabled(workable);
  CmdGo.SetEnabled(workable);
  if (!workable) return;
  ResetComposer();
  p_.flags.AnalysisValid = false;
  p_.catalogue.FileCount = 0;
  p_.catalogue.DirectoryCount = 0;
}

void MainWindow::ResetComposer() {
  composer_.action = " /d";
  Option1.SetValue(true);
  composer_.priority = " /normal";
  OptPrioMed.SetValue(true);
  Chk_ShutDown.SetValue(false);
  Chk_Minmized.SetValue(false);
  for (Control* control : std::initializer_list<Control*>{&FrmAfter, &OptClose, &OptShutDown}) {
    control->SetEnabled(false);
  }
  OptClose.SetValue(false);
  OptShutDown.SetValue(false);
  composer_.afterJob.clear();
  composer_.minimized.clear();
  build_job_command();
}

void MainWindow::build_job_command() {
  jobCommand_ = "/drv " + p_.settings.DriveRoot.substr(0, 2) + composer_.action + composer_.priority +
                composer_.minimized + composer_.afterJob + composer_.vss;
  Command2.SetCaption("Create desktop shortcut Job " + jobCommand_);
}

void MainWindow::CmdGo_Click() {
  JobWindow& job = p_.jobWindow;
  job.SetCaption("Volume " + p_.settings.DriveRoot);
  CmdGo.SetEnabled(false);
  CmdJob.SetEnabled(false);
  p_.toolkit.Show(job);
  job.ResetForDrive(true);
  p_.flags.AnalysisValid = false;
  p_.flags.CatalogueComplete = false;
  CmdJob.SetCaption("More >>");
  SetHeight(kMainCollapsedTwips / kTwipsPerPixel);
  p_.toolkit.Hide(*this);
  p_.volume.ReadMftZone();
}

bool MainWindow::prepare_job() {
  TakeDrive(p_.settings.DriveRoot);
  const bool mediumRead = ReadSelectedFileSystem("FS_Error");
  if (p_.volume.Geometry().FileSystemName.empty() && facts_.Type != DriveType::CdRom) return false;
  if (!OpenSelectedDrive(mediumRead)) return false;
  p_.flags.AnalysisValid = false;
  p_.flags.CatalogueComplete = false;
  p_.catalogue.FileCount = 0;
  p_.catalogue.DirectoryCount = 0;
  p_.toolkit.Show(p_.jobWindow);
  p_.jobWindow.ResetForDrive(false);
  return p_.volume.VolumeHandle() != nullptr;
}

bool MainWindow::OpenSelectedDrive(bool mediumRead) {
  VolumeGeometry& geometry = p_.volume.Geometry();
  const std::string& root = p_.settings.DriveRoot;
  geometry.OversizeClusters = 0;
  geometry.OtherFileSystem = mediumRead && !p_.volume.Workable(geometry.FileSystemName);
  // A drive of another file system is not even opened: nothing is read from it.
  if (!geometry.OtherFileSystem) p_.volume.SelectDrive(root);
  if (!geometry.Refused()) {
    refusalShownFor_.clear();
    return true;
  }
  // Start-up selects the first drive and a command line may select it again: one message.
  if (refusalShownFor_ != root) {
    const std::string drive = root.substr(0, 2);
    p_.toolkit.MsgBox(geometry.TooLarge() ? VolumeTooLargeMessage(drive, geometry.OversizeClusters)
                                          : OtherFileSystemMessage(drive, geometry.FileSystemName),
                      MsgBoxButtons::OK, MsgBoxIcon::Exclamation, kProgramName);
    refusalShownFor_ = root;
  }
  return false;
}

bool MainWindow::SelectedDriveRefused() const { return p_.volume.Geometry().Refused(); }

bool MainWindow::SelectedDriveReadOnly() const { return p_.volume.Geometry().ReadOnly; }

void MainWindow::CmdJob_Click() {
  if (CmdJob.Caption() == "More >>") {
    CmdJob.SetCaption("More <<");
    SetHeight(kMainExpandedTwips / kTwipsPerPixel);
    return;
  }
  CmdJob.SetCaption("More >>");
  SetHeight(kMainCollapsedTwips / kTwipsPerPixel);
  MoveOnScreen(*this, p_.toolkit, p_.jobWindow.Left(), p_.jobWindow.Top() - Height());
}

void MainWindow::lblInfo_Click() {
  p_.shell.ShellOpen(lblInfo.Caption());
}

void MainWindow::fbsharepic_Click() {
  p_.shell.ShellOpen(kProductSharePage);
}

void MainWindow::lblInfo_MouseMove() { lblInfo.SetForeColor(kLinkBlue); }

void MainWindow::Form_MouseMove() { lblInfo.SetForeColor(kLinkNavy); }

void MainWindow::Command2_Click() {
  CreateDesktopJobShortcut(p_.shell, p_.io, p_.toolkit, jobCommand_);
}

uint32_t MainWindow::SetPriority(uint32_t priorityClass) {
  return SetProcessPriority(p_.power, 0, priorityClass);
}

void MainWindow::minimize_to_tray() {
  p_.toolkit.Hide(*this);
  p_.toolkit.Hide(p_.jobWindow);
  // The tip holds 63 characters and its NUL.
  p_.toolkit.AddTrayIcon(*this, TrimAtNul(p_.jobWindow.Caption()).substr(0, 63));
}

void MainWindow::TrayIcon_Callback(uint32_t mouseMessage) {
  if (mouseMessage != kWmLButtonDown) return;
  p_.toolkit.Show(p_.jobWindow);
  p_.toolkit.RemoveTrayIcon(*this);
  SetPriority(kNormalPriorityClass);
}

void MainWindow::cleanup_systray() { p_.toolkit.RemoveTrayIcon(*this); }

}  // namespace tarvonel
