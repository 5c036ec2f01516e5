#pragma once

#include <windows.h>

namespace notice::win32 {

// A function of a system DLL looked up at run time, the DLL loaded from the system folder only
// (never from the program's folder or the current directory) and kept loaded; null when either is
// missing. The programs import only the DLLs every Windows loads anyway.
template <typename Function>
Function system_function(const wchar_t* dll, const char* name) noexcept {
  const HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A member bearing the name of the system function it calls, looked up as above.
#define NOTICE_SYSTEM_FUNCTION(dll, name) \
  decltype(&::name) name = ::notice::win32::system_function<decltype(&::name)>(dll, #name)

}  // namespace notice::win32
