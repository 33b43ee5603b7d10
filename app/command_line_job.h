#pragma once
#include "base/job_settings.h"

namespace tarvonel {

class CheckRunner;
class DebugLog;
class MainWindow;
class EngineJob;
class ProcessPower;
class TokenAccess;
class VolumeIo;
class Toolkit;
struct JobFlags;

// The job a command line describes: disk check, preparation of the drive, the tray, the pass,
// then power-off and the program's end when the switches asked for them.
class CommandLineJob {
 public:
  CommandLineJob(VolumeIo& io, TokenAccess& token, ProcessPower& power, Toolkit& toolkit, const JobSettings& settings, JobFlags& flags,
                 DebugLog& debugLog, CheckRunner& checks, MainWindow& mainWindow, EngineJob& job);

  void Run(JobAction action, bool minimizeToTray);
  // Whether the last run got as far as its pass.
  bool PassRan() const { return passRan_; }
  // The pass the last run was asked for (None: a tail without one, or no run).
  JobAction Asked() const { return asked_; }

 private:
  VolumeIo& io_;
  TokenAccess& token_;
  ProcessPower& power_;
  Toolkit& toolkit_;
  const JobSettings& settings_;
  JobFlags& flags_;
  DebugLog& debugLog_;
  CheckRunner& checks_;
  MainWindow& mainWindow_;
  EngineJob& job_;
  bool passRan_ = false;
  JobAction asked_ = JobAction::None;
};

}  // namespace tarvonel
