#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvonel {

// `units` UTF-16 LE code units at `bytes` as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const uint8_t* bytes, size_t units);

// 8-bit text read as Latin-1 (each byte the code point of its value), as UTF-8.
std::string Latin1ToUtf8(const std::string& text);

// The text before the first NUL: for every fixed-size text buffer a platform call fills.
std::string TrimAtNul(const std::string& text);

}  // namespace tarvonel
