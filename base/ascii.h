#pragma once
#include <string>

namespace tarvonel {

// ASCII case folding: Windows names and switches compare this way; other bytes stay as they are.
inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool IsAsciiLetter(char c) { return AsciiUpper(c) >= 'A' && AsciiUpper(c) <= 'Z'; }

inline std::string AsciiUpper(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}
inline std::string AsciiLower(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

}  // namespace tarvonel
