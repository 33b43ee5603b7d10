#pragma once
#include <string>

#include "platform/volume_io.h"

namespace tarvonel {

// The long form of a full path: no MAX_PATH limit, and names are taken as they are.
inline constexpr char kLongPathPrefix[] = "\\\\?\\";

// What the handle of the three open attempts (P2) is for: the extent reader's first attempt adds
// FILE_FLAG_NO_BUFFERING; moves and the stream query use no flags; a move of an encrypted file
// needs a handle with data access, which the first attempt does not give.
enum class FirstOpen { ForExtents, ForMove, ForStreams };

// P2: "\\?\" + path, tried with FILE_READ_ATTRIBUTES, then GENERIC_READ with no buffering, then
// GENERIC_READ with backup semantics (the one that opens directories). For a move, an encrypted
// file skips the first. On failure `error` is that of the last attempt.
OpenResult OpenFileThreeWays(VolumeIo& io, const std::string& path, FirstOpen first);

}  // namespace tarvonel
