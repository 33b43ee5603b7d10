#include "front/linux/tool/volume_report.h"

#include <algorithm>
#include <iomanip>

#include <nlohmann/json.hpp>

namespace tarvonel {
namespace {

int64_t Percent(int64_t part, int64_t whole) { return whole > 0 ? (part * 100 + whole / 2) / whole : 0; }

nlohmann::json FileJson(const VolumeFacts& facts, const FileLayout& layout) {
  nlohmann::json ranges = nlohmann::json::array();
  for (const ClusterRun& run : layout.runs) {
    const int64_t first = run.lcn + facts.firstClusterNumber;
    ranges.push_back({first, first + run.length - 1});
  }
  return {{"path", ToolPath(layout.path)},
          {"size", layout.size},
          {"directory", layout.directory},
          {"pieces", layout.runs.size()},
          {"clusters", ranges}};
}

}  // namespace

FileCounts CountFiles(const std::vector<FileLayout>& layouts) {
  FileCounts counts;
  for (const FileLayout& layout : layouts) {
    ++(layout.directory ? counts.directories : counts.files);
    if (!layout.Fragmented()) continue;
    const auto pieces = static_cast<int64_t>(layout.runs.size());
    ++counts.fragmented;
    counts.fragments += pieces;
    counts.maxPieces = std::max(counts.maxPieces, pieces);
  }
  return counts;
}

void PrintVolumeLine(std::ostream& out, const VolumeFacts& facts) {
  out << facts.name << ": " << facts.fileSystem << ", " << facts.clusters << " clusters of " << facts.clusterBytes
      << " bytes, " << facts.freeClusters << " free (" << Percent(facts.freeClusters, facts.clusters) << "%)";
  if (facts.lostClusters > 0) out << ", " << facts.lostClusters << " lost (" << facts.lostRemedy << ")";
  out << "\n";
}

void PrintStatistics(std::ostream& out, const VolumeFacts& facts, const FileCounts& counts) {
  PrintVolumeLine(out, facts);
  out << "  files: " << counts.files << "\n"
      << "  dirs: " << counts.directories << "\n"
      << "  fragmented: " << counts.fragmented << "\n"
      << "  fragments: " << counts.fragments << "\n"
      << "  max/file: " << counts.maxPieces << "\n";
}

void PrintFragmentedFiles(std::ostream& out, const VolumeFacts& facts, const std::vector<FileLayout>& layouts) {
  for (const FileLayout& layout : layouts) {
    if (!layout.Fragmented()) continue;
    out << ToolPath(layout.path) << ": " << layout.runs.size() << " pieces, " << layout.size << " bytes\n   ";
    for (const ClusterRun& run : layout.runs) {
      const int64_t first = run.lcn + facts.firstClusterNumber;
      out << " " << first << "-" << first + run.length - 1;
    }
    out << "\n";
  }
}

void PrintPieces(std::ostream& out, const VolumeFacts& facts, const FileLayout& layout) {
  out << ToolPath(layout.path) << ": " << layout.runs.size() << (layout.runs.size() == 1 ? " piece" : " pieces")
      << ", " << layout.size << " bytes, " << layout.Clusters() << " clusters of " << facts.clusterBytes << " bytes\n";
  if (layout.runs.empty()) return;
  out << " piece   file clusters      volume clusters   length\n";
  for (size_t i = 0; i < layout.runs.size(); ++i) {
    const ClusterRun& run = layout.runs[i];
    const int64_t first = run.lcn + facts.firstClusterNumber;
    out << std::setw(6) << i << std::setw(9) << run.vcn << ".." << std::left << std::setw(9)
        << run.vcn + run.length - 1 << std::right << std::setw(9) << first << ".." << std::left << std::setw(9)
        << first + run.length - 1 << std::right << std::setw(7) << run.length << "\n";
  }
}

std::string JsonReport(const VolumeFacts& facts, const std::vector<FileLayout>& layouts,
                       const std::vector<const FileLayout*>& only) {
  const FileCounts counts = CountFiles(layouts);
  nlohmann::json files = nlohmann::json::array();
  if (only.empty()) {
    for (const FileLayout& layout : layouts) {
      if (layout.Fragmented()) files.push_back(FileJson(facts, layout));
    }
  } else {
    for (const FileLayout* layout : only) files.push_back(FileJson(facts, *layout));
  }
  const nlohmann::json report = {
      {"volume",
       {{"name", facts.name},
        {"file_system", facts.fileSystem},
        {"cluster_bytes", facts.clusterBytes},
        {"clusters", facts.clusters},
        {"free_clusters", facts.freeClusters},
        {"lost_clusters", facts.lostClusters},
        {"first_cluster_number", facts.firstClusterNumber}}},
      {"counts",
       {{"files", counts.files},
        {"directories", counts.directories},
        {"fragmented_files", counts.fragmented},
        {"fragments", counts.fragments},
        {"max_fragments", counts.maxPieces}}},
      {only.empty() ? "fragmented" : "files", files},
  };
  // Names are UTF-8 as read; should one not be, it is shown with U+FFFD rather than lost.
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tarvonel
