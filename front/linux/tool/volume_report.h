#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "front/linux/tool/tool_volume.h"

namespace tarvonel {

// The analysis's counts, from the walk: files and folders, the files in more than one piece,
// their pieces together and the most one file has.
struct FileCounts {
  int64_t files = 0;
  int64_t directories = 0;
  int64_t fragmented = 0;
  int64_t fragments = 0;
  int64_t maxPieces = 0;
};

FileCounts CountFiles(const std::vector<FileLayout>& layouts);

void PrintVolumeLine(std::ostream& out, const VolumeFacts& facts);
void PrintStatistics(std::ostream& out, const VolumeFacts& facts, const FileCounts& counts);
// Each fragmented file, a line with its size and pieces, then its cluster ranges.
void PrintFragmentedFiles(std::ostream& out, const VolumeFacts& facts, const std::vector<FileLayout>& layouts);
// One file's pieces, as filefrag -v lists extents.
void PrintPieces(std::ostream& out, const VolumeFacts& facts, const FileLayout& layout);

// The JSON object of `analyze --json` (docs/tool-report-format.md): `only` lists the files to
// report (frag); empty, every fragmented file.
std::string JsonReport(const VolumeFacts& facts, const std::vector<FileLayout>& layouts,
                       const std::vector<const FileLayout*>& only = {});

}  // namespace tarvonel
