#pragma once
#include <string>

#include "ui/controls/controls.h"
#include "ui/controls/window.h"

namespace tarvonel {

class Toolkit;

// The input box a toolkit shows modally: a prompt, one line of text, OK and Cancel.
class InputBoxWindow : public Window {
 public:
  InputBoxWindow(Toolkit& toolkit, const std::string& prompt, const std::string& title, const std::string& defaultText);

  Label Prompt{"Prompt"};
  TextBox Answer{"Answer"};
  Button cmdOK{"cmdOK", "OK"};
  Button cmdCancel{"cmdCancel", "Cancel"};

  // Empty after Cancel or a close from the title bar.
  const std::string& Result() const { return result_; }

 private:
  Toolkit& toolkit_;
  std::string result_;
};

}  // namespace tarvonel
