#include "ui/job_window/job_window.h"

#include "base/debug_log.h"
#include "base/job_flags.h"
#include "placement/engine_job.h"
#include "platform/volume_io.h"
#include "ui/controls/toolkit.h"
#include "ui/debug_log/debug_log_window.h"
#include "ui/handover.h"
#include "ui/job_window/details_window.h"
#include "version.h"
#include "volume/seek_penalty.h"
#include "volume/volume_access.h"

namespace tarvonel {

JobWindow::JobWindow(Parts parts)
    : Window("defrag", kProgramName, 816, 250),
      p_(parts),
      map_(parts.io, parts.toolkit, parts.settings, parts.flags, parts.volume.Geometry(), parts.job.Constants(),
           parts.extents, Picdepartvolume.Surface(), LblRedraw, {parts.job.Files().Lists, parts.job.Fragmented()}),
      temperatures_(parts.io, [this] { return Drive(); }, *this),
      warning_(parts.io, parts.toolkit, parts.debugLog, parts.settings.DebugLog, [this] { return Drive(); },
               *this) {
  tmrTemperatures.SetEnabled(false);
  tmrTemperatures.OnTick = [this] { tmrTemperatures_Timer(); };
  Quitter.OnClick = [this] { Quitter_Click(); };
  cmdanalysemore.OnClick = [this] { cmdAnalyseMore_Click(); };
  cmdDefrag.OnClick = [this] { cmdDefrag_Click(); };
  SmartOptimize.OnClick = [this] { SmartOptimize_Click(); };
  cmdCompact.OnClick = [this] { cmdCompact_Click(); };
  Arretdefrag.OnClick = [this] { Arretdefrag_Click(); };
  minmnu.OnClick = [this] { minmnu_Click(); };
  exitmnu.OnClick = [this] { exitmnu_Click(); };
  Picdepartvolume.OnClick = [this] { Picdepartvolume_Click(); };
  for (Label& legend : Label4) legend.OnClick = [this] { Label4_Click(); };
  UpdateTimer.OnTick = [this] { UpdateTimer_Timer(); };
  for (Label* mark : {&LblIco0, &LblIco2, &LblRedraw}) mark->symbolFont = true;
  LayOutControls();
  for (Control* control : std::initializer_list<Control*>{&Quitter, &cmdanalysemore, &cmdDefrag, &SmartOptimize,
                                                           &cmdCompact, &Arretdefrag, &minmnu, &exitmnu,
                                                           &Picdepartvolume, &PB, &etfich}) {
    Register(*control);
  }
  for (Label& label : LblStats) Register(label);
  for (Control* control : std::initializer_list<Control*>{&LblIco0, &LblIco2, &LblRedraw, &Label6}) Register(*control);
  for (Label& label : Label4) Register(label);
  for (Label& swatch : Swatch) Register(swatch);
  for (Control* control : std::initializer_list<Control*>{&Label1Used, &Label1Mft, &Label5, &Label3, &Label2, &Affiche,
                                                           &ChkNoFileDisplay, &UpdateTimer, &tmrTemperatures}) {
    Register(*control);
  }
}

void JobWindow::LayOutControls() {
  Picdepartvolume.SetPlacement({8, 8, 800, 40});
  PB.SetPlacement({8, 54, 800, 14});
  etfich.SetPlacement({8, 74, 640, 18});
  for (size_t i = 0; i < LblStats.size(); ++i) {
    LblStats[i].SetPlacement({8 + 200 * static_cast<int>(i % 3), 98 + 20 * static_cast<int>(i / 3), 196, 18});
  }
  LblIco0.SetPlacement({660, 74, 16, 18});
  LblIco2.SetPlacement({680, 74, 16, 18});
  LblRedraw.SetPlacement({700, 74, 16, 18});
  Label6.SetPlacement({608, 98, 200, 18});
  Label3.SetPlacement({8, 146, 120, 18});
  Label1Used.SetPlacement({22, 168, 76, 18});
  Label1Mft.SetPlacement({118, 168, 96, 18});
  Label5.SetPlacement({224, 146, 120, 18});
  for (size_t i = 0; i < Label4.size(); ++i) {
    Label4[i].SetPlacement({238 + 90 * static_cast<int>(i), 168, 72, 18});
  }
  const uint32_t swatchColours[] = {map_colour::kFull,    map_colour::kMft,        map_colour::kFragmented,
                                    map_colour::kOptimize, map_colour::kSystemArea, map_colour::kFree};
  const int swatchLeft[] = {8, 104, 224, 314, 404, 494};
  for (size_t i = 0; i < Swatch.size(); ++i) {
    Swatch[i].backColor = swatchColours[i];
    Swatch[i].SetPlacement({swatchLeft[i], 171, 11, 11});
  }
  Label2.SetPlacement({8, 192, 400, 18});
  Affiche.SetPlacement({600, 146, 200, 20});
  ChkNoFileDisplay.SetPlacement({600, 168, 200, 20});
}

std::string JobWindow::VolumeTitle() const { return "Volume " + p_.settings.DriveRoot.substr(0, 3); }

void JobWindow::SetState(JobWindowState state, bool passRunning) {
  state_ = state;
  const bool running = state == JobWindowState::Running;
  const bool noDrive = state == JobWindowState::NoDrive;
  Quitter.SetEnabled(!running);
  for (MenuCommand* command : {&cmdanalysemore, &cmdDefrag, &SmartOptimize, &cmdCompact}) {
    command->SetEnabled(!running && !noDrive);
  }
  Arretdefrag.SetEnabled(running);
  if (!noDrive) exitmnu.SetEnabled(!running);
  Picdepartvolume.SetEnabled(!noDrive);
  tmrTemperatures.SetEnabled(running && !temperatureWatchOff_);
  LblIco0.SetForeColor(running ? map_colour::kLit : map_colour::kDim);
  LblIco2.SetForeColor(running ? map_colour::kDim : map_colour::kLit);
  Label6.SetForeColor(running ? map_colour::kLit : map_colour::kDim);
  if (running) Label6.SetCaption({});
  Affiche.SetEnabled(running && passRunning);
}

void JobWindow::Form_Load() {
  p_.handover.ShowMainWindow();
  if (Window* main = p_.handover.MainForm()) {
    MoveOnScreen(*this, p_.toolkit, main->Left(), main->Top() + main->Height());
    // The two windows keep one left edge, the main one directly above: where the screen pushed
    // the wider job window in, the main window follows it.
    MoveOnScreen(*main, p_.toolkit, Left(), Top() - main->Height());
  }
  Picdepartvolume.Surface().Clear();
  SetState(JobWindowState::Loaded);
  PB.SetRange(0, PB.Max());
  PB.SetValue(PB.Min());
}

void JobWindow::cmdAnalyseMore_Click() { p_.job.Analyze(); }

void JobWindow::Analyze_This() { p_.job.Analyze_This(); }

void JobWindow::RunPassCommand(JobAction pass) {
  if (p_.volume.Geometry().Refused()) return;
  if (p_.volume.Geometry().ReadOnly) {
    p_.toolkit.MsgBox(ReadOnlyVolumeMessage(Drive()), MsgBoxButtons::OK, MsgBoxIcon::Exclamation, kProgramName);
    return;
  }
  if (!PassWantedOnThisDrive()) return;
  p_.flags.StopRequested = false;
  if (p_.handover.ClearRecycledChecked()) p_.handover.EmptyRecycleBin();
  p_.handover.RunPass(pass);
  p_.flags.AnalysisValid = false;
  SetCaption(VolumeTitle());
  if (p_.settings.DebugLog) p_.debugLogWindow.ShowDebugLog();
  if (p_.flags.StopRequested) {
    SetCaption(VolumeTitle());
    p_.flags.AnalysisValid = false;
  }
}

bool JobWindow::PassWantedOnThisDrive() {
  const std::string drive = Drive();
  if (solidStateAcceptedFor_ == drive || QuerySeekPenalty(p_.io, drive) != SeekPenalty::None) return true;
  const std::string question = "Drive " + drive +
                               " is a solid-state drive; defragmenting it wears it and does not make it faster. "
                               "Run anyway?";
  if (p_.toolkit.MsgBox(question, MsgBoxButtons::YesNo, MsgBoxIcon::Exclamation, kProgramName,
                        MsgBoxDefault::Second) != MsgBoxResult::Yes) {
    return false;
  }
  solidStateAcceptedFor_ = drive;
  return true;
}

void JobWindow::Arretdefrag_Click() {
  // The job waits inside the yield that brought this click until the box is answered.
  if (p_.toolkit.MsgBox("Are you sure?", MsgBoxButtons::YesNo, MsgBoxIcon::Question, "Paused ...") !=
      MsgBoxResult::Yes) {
    return;
  }
  UpdateTimer.SetEnabled(false);
  p_.flags.StopRequested = true;
  etfich.SetCaption({});
  map_.RefreshMapBitmap(p_.settings.DriveRoot.substr(0, 2));
}

void JobWindow::Quitter_Click() {
  p_.volume.CloseVolume();
  p_.debugLog.ClearDebugLog();
  p_.handover.ShowMainWindow();
  if (Window* main = p_.handover.MainForm()) MoveOnScreen(*main, p_.toolkit, Left(), Top() - main->Height());
  p_.toolkit.DoEvents();
  SetCaption(kProgramName);
  SetState(JobWindowState::NoDrive);
}

void JobWindow::minmnu_Click() {
  p_.handover.MinimizeToTray();
  p_.handover.SetProcessPriority(kIdlePriorityClass);
}

void JobWindow::Form_Minimized() { minmnu_Click(); }

void JobWindow::exitmnu_Click() {
  if (!Form_QueryUnload(UnloadMode::Code)) p_.toolkit.Unload(*this);
}

bool JobWindow::Form_QueryUnload(UnloadMode mode) {
  if (exitmnu.Enabled()) {
    p_.flags.StopRequested = true;
    p_.handover.CleanupSystray();
    p_.handover.UnloadOtherWindows();
    p_.toolkit.Unload(warning_);
    p_.toolkit.Unload(p_.details);
    p_.toolkit.Unload(p_.debugLogWindow.Window());
    p_.volume.CloseVolume();
    return false;
  }
  p_.toolkit.MsgBox("Quit current operation first!", MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
  return mode == UnloadMode::UserClose;
}

void JobWindow::Picdepartvolume_Click() { map_.RedrawClusterMap(); }

void JobWindow::Label4_Click() {
  if (!p_.flags.CatalogueComplete && !p_.flags.AnalysisValid) return;
  p_.details.Form_Load();
  for (const std::string& name : p_.job.Fragmented().names) {
    if (!name.empty()) p_.details.ListView1.AddItem(name);
  }
  p_.toolkit.ShowModal(p_.details);
  p_.details.Discard();
}

void JobWindow::UpdateTimer_Timer() {
  etfich.SetCaption("directories: " + std::to_string(p_.job.Files().DirectoryCount) +
                    " / files: " + std::to_string(p_.job.Files().FileCount));
  if (p_.io.GetInputState()) p_.toolkit.DoEvents();
}

void JobWindow::ResetForDrive(bool mapEnabled) {
  solidStateAcceptedFor_.clear();
  for (Label& label : LblStats) label.SetCaption({});
  Label6.SetCaption({});
  Picdepartvolume.Surface().Clear();
  Picdepartvolume.Surface().Refresh();
  SetState(JobWindowState::Loaded);
  Picdepartvolume.SetEnabled(mapEnabled);
}

void JobWindow::HDDTempOK(int16_t intTemp) {
  Label6.SetForeColor(map_colour::kLit);
  Label6.SetCaption(Drive() + " temp " + std::to_string(intTemp) + " °C");
}

void JobWindow::HDDTempNA(int16_t) {
  Label6.SetForeColor(map_colour::kLit);
  Label6.SetCaption(Drive() + " temp N/A");
}

void JobWindow::HDDTempCritical(int16_t intTemp) {
  Label6.SetCaption(Drive() + " temp " + std::to_string(intTemp) + " °C");
  warning_.LblHDDTemp.SetCaption(std::to_string(intTemp) + "°C");
  warning_.tmrTemperatures.SetEnabled(true);
  // The pass that yielded into this tick waits here until the disk has cooled or the user chose.
  p_.toolkit.ShowModal(warning_);
  if (p_.settings.DebugLog) p_.debugLog.AppendDebug("HD Temp HIGH: " + std::to_string(intTemp) + "\r\n");
}

void JobWindow::DisableTemperatureWatch() {
  temperatureWatchOff_ = true;
  tmrTemperatures.SetEnabled(false);
  Label6.SetForeColor(map_colour::kDim);
}

void JobWindow::StopJobForHeat() {
  p_.flags.StopRequested = true;
  etfich.SetCaption({});
  map_.RefreshMapBitmap(Drive());
}

void JobWindow::SetStatisticsLabels(const std::array<std::string, 6>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) LblStats[i].SetCaption(texts[i]);
}

void JobWindow::SetDetailsCounters(const std::string& defrag, const std::string& optimize, const std::string& sysArea,
                                   bool listsComplete) {
  p_.details.Label1[0].SetCaption(defrag);
  if (listsComplete) {
    p_.details.Label1[1].SetCaption(optimize);
    p_.details.Label1[2].SetCaption(sysArea);
  } else {
    p_.details.Label1[1].SetCaption("N/A");
    p_.details.Label1[2].SetCaption("N/A");
    p_.details.Label1[2].toolTip.clear();
  }
  p_.details.Command2.SetEnabled(listsComplete);
  p_.details.Command3.SetEnabled(listsComplete);
}

void JobWindow::HideMainWindow() { p_.handover.HideMainWindow(); }

void JobWindow::EnterRunning(bool pass) {
  SetState(JobWindowState::Running, pass);
  if (!pass) return;
  Affiche.SetVisible(true);
  Affiche.SetValue(false);
}

void JobWindow::PassEnded() {
  if (onPassEnded) onPassEnded();
}

void JobWindow::EndLiveMap() {
  Affiche.SetValue(false);
  Affiche.SetEnabled(false);
}

}  // namespace tarvonel
