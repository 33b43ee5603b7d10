#pragma once
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/program.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel::test {

// A whole program on a simulated machine with the headless toolkit and a virtual clock.
struct ProgramHarness {
  explicit ProgramHarness(const std::string& machineJson, const std::string& commandTail = {})
      : platform(ParseMachine(machineJson)), toolkit(clock), program(platform, toolkit) {
    platform.SetCommandTail(commandTail);
    // With WOW64 redirection off, a 32-bit program's windows lose their theme and input
    // methods: user32, comctl32 and imm32 load system DLLs of their own.
    toolkit.beforeShowing = [this](const std::string& what) {
      if (platform.RedirectionDisabled()) ADD_FAILURE() << what << " with WOW64 file-system redirection off";
    };
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string& text = program.Log().Text();
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const MessageBoxRecord& box : toolkit.MessageBoxes()) texts.push_back(box.prompt);
    return texts;
  }

  SimPlatform platform;
  VirtualClock clock;
  HeadlessToolkit toolkit;
  mutable Program program;
};

}  // namespace tarvonel::test
