#include "failure.hpp"

#include <windows.h>

#include <iterator>

namespace notice::win32 {

void end_after_failure(const char* what) noexcept {
  // A fixed buffer: reporting must not allocate, as the failure may be an exhausted heap.
  wchar_t text[512] = L"notice: failure: ";
  const int prefix = lstrlenW(text);
  const int written =
      MultiByteToWideChar(CP_UTF8, 0, what != nullptr ? what : "unknown", -1, text + prefix,
                          static_cast<int>(std::size(text)) - prefix);
  if (written == 0) {
    lstrcpyW(text + prefix, L"(unprintable)");
  }
  OutputDebugStringW(text);
  ExitProcess(1);
}

}  // namespace notice::win32
