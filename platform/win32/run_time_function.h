#pragma once
#include "platform/win32/windows_header.h"

namespace tarvonel {

// A function of a loaded system DLL, looked up at run time: one that the oldest Windows the
// program runs on lacks, or whose prototype the SDK headers do not carry. Null when missing.
template <typename Function>
Function RunTimeFunction(const wchar_t* module, const char* name) {
  HMODULE handle = ::GetModuleHandleW(module);
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(handle, name)));
}

}  // namespace tarvonel
