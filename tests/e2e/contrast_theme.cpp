#include "contrast_theme.hpp"

#include <string>

#include "program_paths.hpp"

namespace e2e {
namespace {

constexpr int kRoles[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT};

}  // namespace

ContrastTheme::ContrastTheme()
    : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                  kContrastFlagName)),
      flag_(static_cast<LONG*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(LONG)))) {
  const COLORREF theme[] = {kWindow, kWindowText, kButtonFace, kButtonText};
  for (int i = 0; i < 4; ++i) {
    saved_[i] = GetSysColor(kRoles[i]);
  }
  SetSysColors(4, kRoles, theme);
}

ContrastTheme::~ContrastTheme() {
  set(false, nullptr);
  SetSysColors(4, kRoles, saved_);
  UnmapViewOfFile(const_cast<LONG*>(flag_));
  CloseHandle(mapping_);
}

bool ContrastTheme::let_in(HANDLE process) {
  const std::wstring dll = program_path(L"contrast_switch.dll");
  const SIZE_T size = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD loaded = 0;
  if (remote != nullptr && WriteProcessMemory(process, remote, dll.c_str(), size, nullptr)) {
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    if (thread != nullptr && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0) {
      GetExitCodeThread(thread, &loaded);
    }
    if (thread != nullptr) {
      CloseHandle(thread);
    }
  }
  if (remote != nullptr) {
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  return loaded != 0;
}

void ContrastTheme::set(bool on, HWND window) {
  if (flag_ == nullptr) {
    return;
  }
  *flag_ = on ? 1 : 0;
  if (window != nullptr) {
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    SendMessageTimeoutW(window, WM_SYSCOLORCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  }
}

}  // namespace e2e
