// contrast_switch.dll, loaded into a notice by the contrast tests: Wine always says high contrast
// is off, so SystemParametersInfoW answers SPI_GETHIGHCONTRAST from the flag the test sets in a
// shared mapping, and passes everything else on to win32u as user32 itself does.
#include <windows.h>

#include <cstring>

#include "contrast_theme.hpp"

namespace {

using SystemParameters = BOOL(WINAPI*)(UINT, UINT, void*, UINT);
SystemParameters forward = nullptr;
const volatile LONG* contrast_on = nullptr;

BOOL WINAPI answer(UINT action, UINT value, void* data, UINT flags) {
  if (action != SPI_GETHIGHCONTRAST || data == nullptr) {
    return forward(action, value, data, flags);
  }
  static_cast<HIGHCONTRASTW*>(data)->dwFlags =
      HCF_AVAILABLE | (*contrast_on != 0 ? HCF_HIGHCONTRASTON : 0);
  return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) {
    return TRUE;
  }
  const HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kContrastFlagName);
  contrast_on = static_cast<const LONG*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(LONG)));
  forward = reinterpret_cast<SystemParameters>(reinterpret_cast<void (*)()>(
      GetProcAddress(LoadLibraryW(L"win32u.dll"), "NtUserSystemParametersInfo")));
  auto* target = reinterpret_cast<unsigned char*>(
      GetProcAddress(LoadLibraryW(L"user32.dll"), "SystemParametersInfoW"));
  if (contrast_on == nullptr || forward == nullptr || target == nullptr) {
    return FALSE;
  }
  // mov rax, answer; jmp rax
  unsigned char jump[12] = {0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xE0};
  const auto address = reinterpret_cast<ULONG_PTR>(&answer);
  std::memcpy(jump + 2, &address, sizeof address);
  DWORD protection = 0;
  VirtualProtect(target, sizeof jump, PAGE_EXECUTE_READWRITE, &protection);
  std::memcpy(target, jump, sizeof jump);
  VirtualProtect(target, sizeof jump, protection, &protection);
  FlushInstructionCache(GetCurrentProcess(), target, sizeof jump);
  return TRUE;
}
