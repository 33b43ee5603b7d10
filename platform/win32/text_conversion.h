#pragma once
#include <string>
#include <string_view>

namespace tarvonel {

// The core speaks UTF-8; Windows' W functions speak UTF-16.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// The command line after the program's path and the blanks that follow it, parsed as the
// C runtime does: a path that starts with a double quote runs to the next one.
std::wstring_view CommandTailOf(std::wstring_view commandLine);

}  // namespace tarvonel
