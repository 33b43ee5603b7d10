#include "ui/job_window/job_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_harness.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::ProgramHarness;

const char* const kVolume = R"({"total_clusters": 20000, "entries": [
  {"name": "f1.dat", "extents": [[100, 2], [200, 2]]},
  {"name": "Dir", "type": "directory", "extents": [[300, 1]], "entries": [{"name": "f2.dat", "extents": [[400, 5]]}]}
]})";

struct WindowCase {
  WindowCase() : h(test::MachineWithVolume(kVolume)) { h.program.Run(); }
  JobWindow& jobs() { return h.program.Jobs(); }

  // Enabled flags of Drive, Analyze, Defrag, Optimize, Compact, Stop, Exit, map.
  std::vector<bool> Commands() {
    JobWindow& w = jobs();
    return {w.Quitter.Enabled(), w.cmdanalysemore.Enabled(), w.cmdDefrag.Enabled(), w.SmartOptimize.Enabled(),
            w.cmdCompact.Enabled(), w.Arretdefrag.Enabled(), w.exitmnu.Enabled(), w.Picdepartvolume.Enabled()};
  }
  ProgramHarness h;
};

TEST(JobWindowStates, LoadedRunningIdleAndNoDrive) {
  WindowCase c;
  EXPECT_TRUE(c.jobs().Visible()) << "loaded and shown with the drive list";
  EXPECT_THAT(c.Commands(), ElementsAre(true, true, true, true, true, false, true, true));
  EXPECT_FALSE(c.jobs().tmrTemperatures.Enabled());

  std::vector<bool> running;
  c.h.toolkit.QueueAction([&] {
    running = c.Commands();
    EXPECT_TRUE(c.jobs().tmrTemperatures.Enabled());
    EXPECT_EQ(c.jobs().LblIco0.ForeColor(), map_colour::kLit);
    EXPECT_EQ(c.jobs().Label6.Caption(), "") << "the temperature line is cleared";
    EXPECT_FALSE(c.jobs().Affiche.Enabled()) << "a plain analysis moves nothing";
  });
  c.jobs().cmdanalysemore.Click();
  EXPECT_THAT(running, ElementsAre(false, false, false, false, false, true, false, true));
  EXPECT_THAT(c.Commands(), ElementsAre(true, true, true, true, true, false, true, true));
  EXPECT_EQ(c.jobs().LblIco2.ForeColor(), map_colour::kLit);
  EXPECT_FALSE(c.h.program.Main().Visible()) << "Analyze hides the main window";

  c.h.program.Log().AppendDebug("something\r\n");
  c.jobs().Quitter.Click();
  EXPECT_THAT(c.Commands(), ElementsAre(true, false, false, false, false, false, true, false));
  EXPECT_EQ(c.jobs().Caption(), "Tarvonel");
  EXPECT_EQ(c.h.program.Log().Text(), "") << "Drive empties the log";
  EXPECT_EQ(c.h.program.Volume().VolumeHandle(), nullptr);
  EXPECT_TRUE(c.h.program.Main().Visible());
  EXPECT_EQ(c.h.program.Main().Top() + c.h.program.Main().Height(), c.jobs().Top()) << "directly above the job window";
  EXPECT_EQ(c.jobs().LblStats[0].Caption(), "files: 2") << "the statistics stay";
}

TEST(JobWindowClosing, RefusedOnlyForAUserCloseDuringAJob) {
  WindowCase c;
  bool userCloseKept = false;
  bool codeCloseKept = true;
  c.h.toolkit.QueueAction([&] {
    userCloseKept = c.jobs().Form_QueryUnload(UnloadMode::UserClose);
    codeCloseKept = c.jobs().Form_QueryUnload(UnloadMode::WindowsSession);
  });
  c.jobs().cmdanalysemore.Click();
  EXPECT_TRUE(userCloseKept);
  EXPECT_FALSE(codeCloseKept);
  ASSERT_GE(c.h.toolkit.MessageBoxes().size(), 2u);
  EXPECT_EQ(c.h.toolkit.MessageBoxes()[0].prompt, "Quit current operation first!");
  EXPECT_EQ(c.jobs().LblStats[0].Caption(), "files: 2") << "the job went on";

  c.jobs().exitmnu.Click();
  EXPECT_FALSE(c.jobs().Loaded());
  EXPECT_TRUE(c.h.program.Flags().StopRequested);
  EXPECT_EQ(c.h.program.Volume().VolumeHandle(), nullptr);
  EXPECT_FALSE(c.h.program.LogWindow().Window().Loaded());
}

TEST(JobWindowLegend, OpensTheDetailsOnlyAfterAnAnalysis) {
  WindowCase c;
  int modals = 0;
  std::vector<std::string> shown;
  c.h.toolkit.onModal = [&](Window& window) {
    ++modals;
    shown = c.h.program.Details().ListView1.Items();
    EXPECT_EQ(&window, &c.h.program.Details());
  };
  c.jobs().Label4[2].Click();
  EXPECT_EQ(modals, 0) << "nothing to show before an analysis";
  c.jobs().cmdanalysemore.Click();
  c.jobs().Label4[0].Click();
  EXPECT_EQ(modals, 1);
  EXPECT_THAT(shown, ElementsAre("C:\\f1.dat"));
  EXPECT_TRUE(c.h.program.Details().ListView1.Items().empty()) << "closing discards the list";
}

TEST(DetailsWindow, RowsListTheirEntries) {
  WindowCase c;
  FrmDetails& details = c.h.program.Details();
  details.Form_Load();
  EXPECT_FALSE(details.Command2.Enabled()) << "no placement lists yet";
  c.h.program.Flags().CollectPlacementLists = true;
  c.jobs().Analyze_This();
  details.Form_Load();
  ASSERT_TRUE(details.Command3.Enabled());
  c.h.program.Files().Lists.prefetch_files = {"C:\\boot.dll"};
  details.Command3.Click();
  EXPECT_THAT(details.ListView1.Items(), ElementsAre("C:\\boot.dll", "C:\\Dir")) << "prefetch entries first";
  details.Command2.Click();
  EXPECT_THAT(details.ListView1.Items(), ElementsAre("C:\\f1.dat", "C:\\Dir\\f2.dat"))
      << "both start beyond the optimize area (half the 10 used clusters)";
  EXPECT_FALSE(details.Command1.Click()) << "the defrag row's button has no action";
}

TEST(JobWindowCommands, TimerLineMinimizeMapClickAndPasses) {
  WindowCase c;
  c.h.program.Files().FileCount = 12;
  c.h.program.Files().DirectoryCount = 3;
  c.jobs().UpdateTimer_Timer();
  EXPECT_EQ(c.jobs().etfich.Caption(), "directories: 3 / files: 12");

  c.jobs().minmnu.Click();
  EXPECT_TRUE(c.h.toolkit.Tray().has_value());
  EXPECT_FALSE(c.jobs().Visible());
  EXPECT_EQ(c.h.platform.PriorityClass(), kIdlePriorityClass);
  c.h.program.Handover().CleanupSystray();
  EXPECT_FALSE(c.h.toolkit.Tray().has_value());
  static_cast<Window&>(c.jobs()).Form_Minimized();
  EXPECT_TRUE(c.h.toolkit.Tray().has_value()) << "minimising the window does the same";

  c.jobs().cmdanalysemore.Click();
  c.jobs().Picdepartvolume.Surface().Clear();
  c.jobs().Picdepartvolume.Click();
  EXPECT_NE(c.jobs().Picdepartvolume.Surface().Column(0), ColumnSurface::kBlank) << "the click redraws the map";

  c.h.program.Settings().DebugLog = true;
  c.jobs().SmartOptimize.Click();
  EXPECT_EQ(c.jobs().State(), JobWindowState::Idle) << "the pass ran and ended";
  EXPECT_FALSE(c.h.program.Flags().AnalysisValid);
  EXPECT_EQ(c.jobs().Caption(), "Volume C:\\");
  EXPECT_TRUE(c.h.program.LogWindow().Window().Visible()) << "the log is shown after a pass when it is on";
}

TEST(JobWindowCommands, UpdateTimerRunsDuringTheWalk) {
  WindowCase c;
  std::vector<std::string> lines;
  // Every yield of the walk advances the clock past the timer's interval.
  c.h.program.Settings().DebugLog = false;
  c.jobs().UpdateTimer.OnTick = [&] {
    c.jobs().UpdateTimer_Timer();
    lines.push_back(c.jobs().etfich.Caption());
  };
  std::function<void()> tick = [&] {
    c.h.clock.Advance(2000);
    if (lines.size() < 50) c.h.toolkit.QueueAction(tick);
  };
  c.h.toolkit.QueueAction(tick);
  c.jobs().cmdanalysemore.Click();
  EXPECT_FALSE(lines.empty());
  EXPECT_FALSE(c.jobs().UpdateTimer.Enabled()) << "switched off when the walk ends";
  EXPECT_EQ(c.jobs().etfich.Caption(), "");
}

}  // namespace
}  // namespace tarvonel
