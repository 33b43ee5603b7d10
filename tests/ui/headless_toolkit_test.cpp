#include "ui/headless/headless_toolkit.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "ui/controls/window.h"

namespace tarvonel {
namespace {

class TimerWindow : public Window {
 public:
  TimerWindow() : Window("frmTest", "Test", 100, 100) {
    UpdateTimer.OnTick = [this] { ++updates; };
    tmrOther.OnTick = [this] { ++others; };
    Register(UpdateTimer);
    Register(tmrOther);
  }
  Timer UpdateTimer{"UpdateTimer", 2000};
  Timer tmrOther{"tmrOther", 500};
  int updates = 0;
  int others = 0;
};

class HeadlessToolkitTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  TimerWindow window;
};

TEST_F(HeadlessToolkitTest, TimersFireOnlyInsideDoEventsOnceDue) {
  toolkit.Load(window);
  window.UpdateTimer.SetEnabled(true);
  clock.Advance(1999);
  toolkit.DoEvents();
  EXPECT_EQ(window.updates, 0);
  clock.Advance(1);
  EXPECT_EQ(window.updates, 0) << "time passing alone runs nothing";
  toolkit.DoEvents();
  EXPECT_EQ(window.updates, 1);
  clock.Advance(7000);
  toolkit.DoEvents();
  EXPECT_EQ(window.updates, 2) << "late ticks are not made up";
  EXPECT_EQ(window.others, 0) << "a disabled timer never fires";
}

TEST_F(HeadlessToolkitTest, TimerStoppedOrUnloadedDoesNotFire) {
  toolkit.Load(window);
  window.UpdateTimer.SetEnabled(true);
  window.tmrOther.SetEnabled(true);
  window.UpdateTimer.OnTick = [this] {
    ++window.updates;
    window.tmrOther.SetEnabled(false);
  };
  clock.Advance(2000);
  toolkit.DoEvents();
  EXPECT_EQ(window.updates, 1);
  EXPECT_EQ(window.others, 0) << "due too, but stopped by the tick that fired before it";

  toolkit.Unload(window);
  clock.Advance(5000);
  toolkit.DoEvents();
  EXPECT_EQ(window.updates, 1) << "an unloaded window's timers are gone";
  EXPECT_TRUE(toolkit.LoadedWindows().empty());
}

TEST_F(HeadlessToolkitTest, QueuedActionsRunAtTheNextDoEventsOnly) {
  int runs = 0;
  toolkit.QueueAction([&] {
    ++runs;
    toolkit.QueueAction([&] { runs += 10; });
  });
  EXPECT_EQ(runs, 0);
  toolkit.DoEvents();
  EXPECT_EQ(runs, 1) << "an action queued by an action waits for the next DoEvents";
  toolkit.DoEvents();
  EXPECT_EQ(runs, 11);
}

TEST_F(HeadlessToolkitTest, MessageBoxesTakeScriptedOrDefaultAnswersAndAreRecorded) {
  toolkit.QueueAnswer(MsgBoxResult::No);
  EXPECT_EQ(toolkit.MsgBox("Are you sure?", MsgBoxButtons::YesNo, MsgBoxIcon::Question, "T"), MsgBoxResult::No);
  EXPECT_EQ(toolkit.MsgBox("Again?", MsgBoxButtons::YesNo, MsgBoxIcon::Question, "T"), MsgBoxResult::Yes);
  EXPECT_EQ(toolkit.MsgBox("Retry?", MsgBoxButtons::RetryCancel, MsgBoxIcon::None, "T"), MsgBoxResult::Retry);
  ASSERT_EQ(toolkit.MessageBoxes().size(), 3u);
  EXPECT_EQ(toolkit.MessageBoxes()[0].prompt, "Are you sure?");
  EXPECT_EQ(toolkit.MessageBoxes()[0].answer, MsgBoxResult::No);
  EXPECT_EQ(toolkit.MessageBoxes()[0].icon, MsgBoxIcon::Question);

  toolkit.QueueAnswer(MsgBoxResult::Yes);
  EXPECT_THROW(toolkit.MsgBox("Only OK", MsgBoxButtons::OK, MsgBoxIcon::None, "T"), std::logic_error)
      << "a script answering with a button the box lacks is a broken test";
}

TEST_F(HeadlessToolkitTest, ShowHideAndUnloadTrackTheWindow) {
  toolkit.Show(window);
  EXPECT_TRUE(window.Loaded());
  EXPECT_TRUE(window.Visible());
  toolkit.Hide(window);
  EXPECT_TRUE(window.Loaded());
  EXPECT_FALSE(window.Visible());
  toolkit.Unload(window);
  EXPECT_FALSE(window.Loaded());
}

}  // namespace
TEST_F(HeadlessToolkitTest, OutsideEventsArriveAtEveryYieldBeforeQueuedActions) {
  std::string order;
  toolkit.onDoEvents = [&] { order += "outside "; };
  toolkit.QueueAction([&] { order += "queued "; });
  toolkit.DoEvents();
  toolkit.DoEvents();
  EXPECT_EQ(order, "outside queued outside ");
}

}  // namespace tarvonel
