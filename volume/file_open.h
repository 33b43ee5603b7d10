#pragma once
#include <string>

#include "platform/volume_io.h"

namespace tarvonel {

// The long form of a full path: no MAX_PATH limit, and names are taken as they are.
inline constexpr char kLongPathPrefix[] = "\\\\?\\";

// How the first of the three open attempts asks for the file (P2): the extent reader adds
// FILE_FLAG_NO_BUFFERING, moves and the stream query use no flags.
enum class FirstOpen { ForExtents, ForMoveOrStreams };

// P2: "\\?\" + path, tried with FILE_READ_ATTRIBUTES, then GENERIC_READ with no buffering, then
// GENERIC_READ with backup semantics (the one that opens directories). On failure `error` is
// that of the third attempt.
OpenResult OpenFileThreeWays(VolumeIo& io, const std::string& path, FirstOpen first);

}  // namespace tarvonel
