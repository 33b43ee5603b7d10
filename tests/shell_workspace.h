#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace tarvonel::test {

// A folder of its own for a test that drives mkfs.fat, mtools and fsck.fat; removed afterwards.
struct ShellWorkspace {
  explicit ShellWorkspace(const std::string& prefix)
      : dir(std::filesystem::temp_directory_path() /
            (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(next++))) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  ~ShellWorkspace() { std::filesystem::remove_all(dir); }
  ShellWorkspace(const ShellWorkspace&) = delete;
  ShellWorkspace& operator=(const ShellWorkspace&) = delete;

  // Runs a shell command in the folder; its exit status and output. mtools names non-ASCII
  // files in the locale's character set, hence the UTF-8 locale.
  std::pair<int, std::string> Shell(const std::string& command) const {
    const std::filesystem::path output = dir / "output.txt";
    const std::string line = "cd '" + dir.string() + "' && export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 && (" + command +
                             ") > '" + output.string() + "' 2>&1";
    const int status = std::system(line.c_str());
    std::ifstream file(output);
    std::stringstream text;
    text << file.rdbuf();
    return {WEXITSTATUS(status), text.str()};
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
  static inline int next = 0;
};

}  // namespace tarvonel::test
