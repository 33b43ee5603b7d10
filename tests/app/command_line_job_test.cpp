#include "app/command_line_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_harness.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::ProgramHarness;

std::string FragmentedMachine(const std::string& diskCheck = R"({"state": "clean"})") {
  return R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": "C", "disk_check": )" + diskCheck +
         R"(, "volume": {"total_clusters": 20000, "entries": [
    {"name": "a.dat", "extents": )" + test::ScatteredRuns(6, 5000) + R"(},
    {"name": "b.dat", "extents": )" + test::ScatteredRuns(6, 9000) + R"(}]}}]})";
}

// Runs `action` once, at the first yield of a running pass.
void DuringThePass(ProgramHarness& h, std::function<void()> action) {
  h.toolkit.QueueAction([&h, action] {
    if (h.program.Jobs().State() == JobWindowState::Running && h.program.Jobs().Affiche.Enabled()) {
      action();
    } else {
      DuringThePass(h, action);
    }
  });
}

TEST(CommandLineJob, MinimizedLowPriorityJobHidesIntoTheTrayAndAClickBringsBackTheJobWindowOnly) {
  ProgramHarness h(FragmentedMachine(), "/min /low /d");
  std::optional<uint32_t> priorityDuringPass;
  bool hiddenDuringPass = false;
  DuringThePass(h, [&] {
    priorityDuringPass = h.platform.PriorityClass();
    hiddenDuringPass = !h.program.Main().Visible() && !h.program.Jobs().Visible();
  });
  h.program.Run();
  EXPECT_EQ(priorityDuringPass, 64u);
  EXPECT_TRUE(hiddenDuringPass);
  ASSERT_TRUE(h.toolkit.Tray().has_value());
  EXPECT_EQ(h.toolkit.Tray()->tip, "Tarvonel") << "the job window's caption when it hid: the job run leaves it";
  EXPECT_GT(h.platform.Moves(), 0) << "the pass ran";
  EXPECT_FALSE(h.toolkit.ProgramEnded());

  h.program.Main().TrayIcon_Callback(512);  // a mouse move over the icon
  EXPECT_TRUE(h.toolkit.Tray().has_value());
  h.program.Main().TrayIcon_Callback(kWmLButtonDown);
  EXPECT_FALSE(h.toolkit.Tray().has_value());
  EXPECT_TRUE(h.program.Jobs().Visible());
  EXPECT_FALSE(h.program.Main().Visible()) << "the Drive menu brings the main window back, not the tray";
  EXPECT_EQ(h.platform.PriorityClass(), 32u) << "back to normal although the job asked for /low";
}

TEST(CommandLineJob, AfterJobActionsFollowAnUnstoppedJobEvenWithoutAnAction) {
  ProgramHarness idle(FragmentedMachine(), "/min /down");
  idle.program.Run();
  EXPECT_TRUE(idle.toolkit.Tray().has_value());
  EXPECT_EQ(idle.platform.ExitRequest(), 12u) << "forced power-off";
  EXPECT_EQ(idle.platform.Moves(), 0);
  EXPECT_FALSE(idle.toolkit.ProgramEnded());

  ProgramHarness closing(FragmentedMachine(), "/min /d /down /close");
  closing.program.Run();
  EXPECT_EQ(closing.platform.ExitRequest(), 12u) << "both run, the power-off first";
  EXPECT_TRUE(closing.toolkit.ProgramEnded());
  EXPECT_FALSE(closing.toolkit.Tray().has_value()) << "the icon goes before the program ends";
}

TEST(CommandLineJob, AStoppedPassNeitherPowersOffNorEndsTheProgram) {
  ProgramHarness h(FragmentedMachine(), "/d /down /close");
  DuringThePass(h, [&] { EXPECT_TRUE(h.program.Jobs().Arretdefrag.Click()); });
  h.program.Run();
  EXPECT_TRUE(h.program.Flags().StopRequested);
  EXPECT_FALSE(h.platform.ExitRequest().has_value());
  EXPECT_FALSE(h.toolkit.ProgramEnded());
  EXPECT_EQ(h.program.Jobs().State(), JobWindowState::Idle);
}

TEST(CommandLineJob, ADirtyDriveRunsNoPassAndNoAfterJobAction) {
  ProgramHarness h(FragmentedMachine(R"({"state": "dirty"})"), "/min /d /down /close");
  h.program.Run();
  EXPECT_EQ(h.platform.Moves(), 0);
  EXPECT_FALSE(h.platform.ExitRequest().has_value());
  EXPECT_FALSE(h.toolkit.ProgramEnded());
  EXPECT_FALSE(h.toolkit.Tray().has_value());
  EXPECT_FALSE(h.program.CommandLine().PassRan());
}

}  // namespace
}  // namespace tarvonel

namespace tarvonel {
namespace {

TEST(CommandLineJob, ADriveThatCannotBeOpenedIsReportedAndNothingFollows) {
  ProgramHarness none("{}", "/d /close");
  none.program.Run();
  EXPECT_THAT(none.MessageTexts(),
              testing::ElementsAre("There is no drive to work on; the command-line job was not run."));
  EXPECT_FALSE(none.toolkit.ProgramEnded()) << "an unattended exit would hide why nothing ran";

  ProgramHarness missing(FragmentedMachine(), "/drv Q: /o /down");
  missing.program.Run();
  EXPECT_THAT(missing.MessageTexts(), testing::Contains("Drive Q: cannot be opened; the command-line job was not run."));
  EXPECT_FALSE(missing.platform.ExitRequest().has_value());
}

// A card whose write-protect switch is on. Its boot sector was read through an open for reading
// and writing, which such a medium refuses (ERROR_WRITE_PROTECT), so it was never listed; now it
// is, it is analysed, and a pass is refused with a plain message before anything is tried.
TEST(CommandLineJob, AWriteProtectedCardIsListedAnalysedAndNoPassRunsOnIt) {
  const std::string machine = R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [
    {"letter": "C", "volume": {}},
    {"letter": "E", "type": "removable", "label": "CARD", "write_protected": true, "disk_check": {"state": "clean"},
     "volume": {"file_system": "FAT32", "total_clusters": 70000, "entries": [
       {"name": "game.iso", "extents": )" + test::ScatteredRuns(6, 5000) + R"(}]}}]})";
  const std::string refusal = "Drive E: is write-protected: nothing on it can be moved. Turn its write protection off "
                              "(the lock switch of a card), then select the drive again.";
  ProgramHarness h(machine, "/drv E: /d");
  h.program.Run();
  ASSERT_EQ(h.program.Main().ImageCombo1.Items().size(), 2u) << "the card is listed";
  EXPECT_THAT(h.program.Main().ImageCombo1.Items()[1].text, testing::StartsWith("E:\\  Removable disk  [CARD]"));
  EXPECT_THAT(h.MessageTexts(), testing::ElementsAre(refusal));
  EXPECT_FALSE(h.program.CommandLine().PassRan());
  EXPECT_EQ(h.platform.Moves(), 0);

  EXPECT_TRUE(h.program.Jobs().cmdanalysemore.Click());
  EXPECT_TRUE(h.program.Flags().AnalysisValid) << "reading it needs no write access";
  h.program.Jobs().cmdDefrag.Click();
  EXPECT_THAT(h.MessageTexts(), testing::ElementsAre(refusal, refusal)) << "nor does the job window run a pass";
  EXPECT_EQ(h.platform.Moves(), 0);
}

}  // namespace
}  // namespace tarvonel
