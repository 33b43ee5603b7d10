#pragma once
#include <string>

namespace tarvonel {

// Writes what the window shows on screen as a 24-bit BMP file; false when it could not.
bool CaptureWindow(void* hwnd, const std::string& bmpFile);

}  // namespace tarvonel
