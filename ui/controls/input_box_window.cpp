#include "ui/controls/input_box_window.h"

#include "ui/controls/toolkit.h"

namespace tarvonel {

InputBoxWindow::InputBoxWindow(Toolkit& toolkit, const std::string& prompt, const std::string& title,
                               const std::string& defaultText)
    : Window("InputBox", title, 360, 120), toolkit_(toolkit) {
  Prompt.SetCaption(prompt);
  Answer.SetText(defaultText);
  Answer.editable = true;
  Prompt.SetPlacement({10, 10, 250, 40});
  cmdOK.SetPlacement({270, 10, 80, 24});
  cmdCancel.SetPlacement({270, 40, 80, 24});
  Answer.SetPlacement({10, 84, 340, 22});
  cmdOK.OnClick = [this] {
    result_ = Answer.Text();
    toolkit_.Hide(*this);
  };
  cmdCancel.OnClick = [this] {
    result_.clear();
    toolkit_.Hide(*this);
  };
  for (Control* control : std::initializer_list<Control*>{&Prompt, &Answer, &cmdOK, &cmdCancel}) Register(*control);
}

}  // namespace tarvonel
