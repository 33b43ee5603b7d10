#include "front/win32/window_capture.h"

#include <fstream>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_header.h"

namespace tarvonel {

bool CaptureWindow(void* window, const std::string& bmpFile) {
  auto hwnd = static_cast<HWND>(window);
  if (hwnd == nullptr) return false;
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT frame{};
  ::GetWindowRect(hwnd, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  // The window's own device context: what it shows, also where the screen cuts it off.
  HDC screen = ::GetWindowDC(hwnd);
  HDC memory = ::CreateCompatibleDC(screen);
  GdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
  HGDIOBJ previous = ::SelectObject(memory, bitmap.Get());
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
  ::SelectObject(memory, previous);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files keep their rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<char> pixels(rowBytes * static_cast<size_t>(height));
  const int rows = ::GetDIBits(memory, static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ::DeleteDC(memory);
  ::ReleaseDC(hwnd, screen);
  if (!copied || rows != height) return false;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
  std::ofstream file(bmpFile, std::ios::binary);
  file.write(reinterpret_cast<const char*>(&header), sizeof header);
  file.write(reinterpret_cast<const char*>(&info), sizeof info);
  file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(file);
}

}  // namespace tarvonel
