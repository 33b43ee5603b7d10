#pragma once
#include <utility>

#include "platform/win32/windows_header.h"

namespace tarvonel {

// A move-only owner of one OS handle; Traits know the kind's invalid value and how to close it.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Type Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Invalid(); }
  void Reset() {
    if (Valid()) Traits::Close(std::exchange(handle_, Traits::Invalid()));
  }

 private:
  Type handle_ = Traits::Invalid();
};

// OpenProcessToken, OpenProcess: NULL when they fail.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

// CreateFileW, FindFirstFileW: INVALID_HANDLE_VALUE when they fail.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

// LoadLibraryW: NULL when it fails.
struct ModuleHandleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::FreeLibrary(handle); }
};

struct WindowHandleTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DestroyWindow(handle); }
};

struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

// An OS handle behind one of the core's opaque handle types (Interface).
template <typename Interface, typename Traits>
class HeldHandle : public Interface {
 public:
  explicit HeldHandle(typename Traits::Type handle) : handle_(handle) {}
  typename Traits::Type Get() const { return handle_.Get(); }

 private:
  UniqueHandle<Traits> handle_;
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;
using WindowHandle = UniqueHandle<WindowHandleTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;

}  // namespace tarvonel
