#pragma once
#include <string>
#include <vector>

namespace tarvonel {

// The analysis's fragmented files, owned by the job window: parallel names and extent counts
// (decimal text). After an analysis the one empty slot is at index 0; consumers skip it.
struct FragmentedFiles {
  std::vector<std::string> names{std::string()};
  std::vector<std::string> counts{std::string()};

  void Reset() {
    names.assign(1, std::string());
    counts.assign(1, std::string());
  }
  // Writes into the last (empty) slot and adds a new empty one.
  void Append(const std::string& name, const std::string& count) {
    names.back() = name;
    counts.back() = count;
    names.emplace_back();
    counts.emplace_back();
  }
  void Swap(size_t a, size_t b) {
    std::swap(names[a], names[b]);
    std::swap(counts[a], counts[b]);
  }
};

}  // namespace tarvonel
