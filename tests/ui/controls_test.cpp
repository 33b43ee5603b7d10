#include "ui/controls/controls.h"

#include <gtest/gtest.h>

namespace tarvonel {
namespace {

TEST(Controls, OptionButtonsOfOneGroupExcludeEachOther) {
  OptionGroup priority;
  OptionButton low("OptPrioLow", "Low", priority), medium("OptPrioMed", "Normal", priority),
      high("OptPrioHi", "High", priority);
  int clicks = 0;
  high.OnClick = [&] { ++clicks; };
  medium.SetValue(true);
  EXPECT_TRUE(high.UserSelect());
  EXPECT_FALSE(low.Value());
  EXPECT_FALSE(medium.Value());
  EXPECT_TRUE(high.Value());
  EXPECT_EQ(clicks, 1);
}

TEST(Controls, DisabledOrHiddenControlsIgnoreTheUser) {
  Button button("cmdDefrag", "Defrag");
  CheckBox check("Chk_Minmized", "Minimize");
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.SetEnabled(false);
  EXPECT_FALSE(button.Click());
  button.SetEnabled(true);
  button.SetVisible(false);
  EXPECT_FALSE(button.Click());
  EXPECT_EQ(clicks, 0);
  check.SetEnabled(false);
  EXPECT_FALSE(check.UserToggle());
  EXPECT_FALSE(check.Value());
}

TEST(Controls, ProgressBarKeepsItsValueInsideTheRange) {
  ProgressBar bar("ProgressBar1");
  bar.SetRange(0, 10);
  bar.SetValue(15);
  EXPECT_EQ(bar.Value(), 10);
  bar.SetValue(-1);
  EXPECT_EQ(bar.Value(), 0);
  bar.SetValue(8);
  bar.SetRange(0, 5);
  EXPECT_EQ(bar.Value(), 5) << "a smaller range pulls the value in";
  bar.SetRange(3, 1);
  EXPECT_EQ(bar.Max(), 3);
  EXPECT_EQ(bar.Value(), 3);
}

class RecordingObserver : public ControlObserver {
 public:
  void OnControlChanged(Control&, ControlChange change) override { changes.push_back(change); }
  std::vector<ControlChange> changes;
};

TEST(Controls, ObserverHearsOnlyRealChanges) {
  Label label("LblStats", "0");
  RecordingObserver observer;
  label.SetObserver(&observer);
  label.SetCaption("0");
  label.SetCaption("12");
  label.SetEnabled(true);
  label.SetVisible(false);
  EXPECT_EQ(observer.changes, (std::vector<ControlChange>{ControlChange::Caption, ControlChange::Visible}));
}

}  // namespace
}  // namespace tarvonel
