#pragma once
#include <array>
#include <string>

#include "ui/controls/controls.h"
#include "ui/controls/window.h"

namespace tarvonel {

struct JobFlags;
struct PlacementLists;

// "View details": the files the last analysis found for each kind of work.
class FrmDetails : public Window {
 public:
  FrmDetails(const PlacementLists& lists, const JobFlags& flags);

  void Form_Load();
  void Command2_Click();  // optimize row
  void Command3_Click();  // sys area row: prefetch entries, then directories
  // Closing discards the window: the next opening starts without list and counters.
  void Discard();

  std::array<Label, 3> Label4{Label("Label4_0", "defrag"), Label("Label4_1", "optimize"), Label("Label4_2", "sys area")};
  std::array<Label, 3> Label1{Label("Label1_0"), Label("Label1_1"), Label("Label1_2")};
  Button Command1{"Command1", "..."};
  Button Command2{"Command2", "..."};
  Button Command3{"Command3", "..."};
  Label Label5{"Label5", "candidate for:"};
  ListView ListView1{"ListView1", "Fragmented files"};

 private:
  void AddAll(const std::vector<std::string>& paths);
  const PlacementLists& lists_;
  const JobFlags& flags_;
};

}  // namespace tarvonel
