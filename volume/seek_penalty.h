#pragma once
#include <string>

#include "platform/volume_io.h"

namespace tarvonel {

// Whether the drive behind a volume loses time seeking. None is a solid-state drive, which
// defragmenting wears and does not speed up. Unknown is never taken for a solid-state drive.
enum class SeekPenalty { Unknown, Incurred, None };

// The storage property query for seek penalty on "\\.\" + drive ("C:"); Windows 7 and later
// answer it. A failed open or query, or a short answer, is Unknown.
SeekPenalty QuerySeekPenalty(VolumeIo& io, const std::string& drive);

}  // namespace tarvonel
