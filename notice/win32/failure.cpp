#include "failure.hpp"

#include <windows.h>

#include <iterator>

namespace notice::win32 {

void end_after_failure(const char* what) noexcept {
  // A fixed buffer: reporting must not allocate, as the failure may be an exhausted heap.
  wchar_t text[512] = L"notice: failure: ";
  const int prefix = lstrlenW(text);
  const char* report = what != nullptr ? what : "unknown";
  const int room = static_cast<int>(std::size(text)) - prefix - 1;
  // A longer report is cut, not lost. A UTF-8 byte never gives more than one UTF-16 unit, so
  // `room` bytes always fit; the cut goes before a character, never inside one.
  int length = lstrlenA(report);
  if (length > room) {
    length = room;
    while (length > 0 && (static_cast<unsigned char>(report[length]) & 0xC0U) == 0x80U) {
      --length;
    }
  }
  const int written = MultiByteToWideChar(CP_UTF8, 0, report, length, text + prefix, room);
  if (written == 0 && length != 0) {
    lstrcpyW(text + prefix, L"(unprintable)");
  } else {
    text[prefix + written] = L'\0';
  }
  OutputDebugStringW(text);
  ExitProcess(1);
}

}  // namespace notice::win32
