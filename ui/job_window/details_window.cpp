#include "ui/job_window/details_window.h"

#include "base/job_flags.h"
#include "volume/catalogue.h"

namespace tarvonel {

FrmDetails::FrmDetails(const PlacementLists& lists, const JobFlags& flags)
    : Window("FrmDetails", "View details", 420, 330), lists_(lists), flags_(flags) {
  for (int row = 0; row < 3; ++row) {
    Label4[static_cast<size_t>(row)].SetPlacement({12, 30 + 26 * row, 80, 20});
    Label1[static_cast<size_t>(row)].SetPlacement({96, 30 + 26 * row, 80, 20});
  }
  Label5.SetPlacement({12, 8, 120, 18});
  Command1.SetPlacement({184, 28, 30, 22});
  Command2.SetPlacement({184, 54, 30, 22});
  Command3.SetPlacement({184, 80, 30, 22});
  ListView1.SetPlacement({12, 112, 396, 206});
  Command2.OnClick = [this] { Command2_Click(); };
  Command3.OnClick = [this] { Command3_Click(); };
  Register(Label5);
  for (auto& label : Label4) Register(label);
  for (auto& label : Label1) Register(label);
  Register(Command1);
  Register(Command2);
  Register(Command3);
  Register(ListView1);
}

void FrmDetails::Form_Load() {
  Command2.SetEnabled(flags_.CatalogueComplete);
  Command3.SetEnabled(flags_.CatalogueComplete);
}

void FrmDetails::AddAll(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (!path.empty()) ListView1.AddItem(path);
  }
}

void FrmDetails::Command2_Click() {
  ListView1.Clear();
  AddAll(lists_.optimize_files);
}

void FrmDetails::Command3_Click() {
  ListView1.Clear();
  AddAll(lists_.prefetch_files);
  AddAll(lists_.dirs_to_move);
}

void FrmDetails::Discard() {
  ListView1.Clear();
  for (auto& counter : Label1) {
    counter.SetCaption({});
    counter.toolTip.clear();
  }
}

}  // namespace tarvonel
