// A look-alike of a system DLL, copied beside a program under the system DLL's name: whichever
// process loads it leaves a mark beside it ("<its path>.loaded") and ends at once with exit code
// 86, before the program can call anything in it. Built without the C runtime, so that it loads on
// its own.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) {
    return TRUE;
  }
  wchar_t mark[1024];
  const DWORD length = GetModuleFileNameW(self, mark, 1000);
  if (length > 0 && length < 1000) {
    lstrcpyW(mark + length, L".loaded");
    const HANDLE file =
        CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
    }
  }
  TerminateProcess(GetCurrentProcess(), 86);
  return FALSE;
}
