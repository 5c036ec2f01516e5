#include "failure.hpp"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace notice::win32 {
namespace {

// A fixed buffer: reporting must not allocate, as the failure may be an exhausted heap.
using LineBuffer = wchar_t[1024];

void append(LineBuffer& text, int& length, std::wstring_view part) noexcept {
  const int room = static_cast<int>(std::size(text)) - 1 - length;
  const int count =
      std::min(room, static_cast<int>(std::min<std::size_t>(part.size(), 0x7FFFFFFF)));
  std::copy_n(part.data(), count, text + length);
  length += count;
  text[length] = L'\0';
}

// A longer report is cut, not lost. A UTF-8 byte never gives more than one UTF-16 unit, so `room`
// bytes always fit; the cut goes before a character, never inside one.
void append_utf8(LineBuffer& text, int& length, const char* what, int keep) noexcept {
  const char* report = what != nullptr ? what : "unknown";
  const int room = static_cast<int>(std::size(text)) - 1 - length - keep;
  int bytes = lstrlenA(report);
  if (bytes > room) {
    bytes = std::max(room, 0);
    while (bytes > 0 && (static_cast<unsigned char>(report[bytes]) & 0xC0U) == 0x80U) {
      --bytes;
    }
  }
  const int written =
      bytes == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, report, bytes, text + length, room);
  if (written == 0 && bytes != 0) {
    append(text, length, L"(unprintable)");
  } else {
    length += written;
    text[length] = L'\0';
  }
}

// "notice: failure: " and the report, cut to leave room for `keep` characters after it.
int failure_line(LineBuffer& text, std::wstring_view before, const char* what,
                 int keep = 0) noexcept {
  int length = 0;
  text[0] = L'\0';
  append(text, length, before);
  append_utf8(text, length, what, keep);
  return length;
}

}  // namespace

void end_after_failure(const char* what) noexcept {
  LineBuffer text;
  failure_line(text, L"notice: failure: ", what);
  OutputDebugStringW(text);
  ExitProcess(1);
}

void report_failure_line(std::wstring_view before, const char* what,
                         std::wstring_view after) noexcept {
  LineBuffer text;
  int length =
      failure_line(text, before, what, static_cast<int>(std::min<std::size_t>(after.size(), 256)));
  append(text, length, after);
  OutputDebugStringW(text);
  write_standard_error({text, static_cast<std::size_t>(length)});
}

namespace {

// A line and a line break to one of the standard streams, as write_standard_error describes.
void write_standard_stream(DWORD stream, std::wstring_view line) noexcept {
  const HANDLE handle = GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD mode = 0;
  DWORD written = 0;
  const bool console = GetConsoleMode(handle, &mode) != 0;
  // In pieces that never split a surrogate pair, the line break last.
  for (std::wstring_view rest = line;;) {
    std::size_t piece = std::min<std::size_t>(rest.size(), 256);
    if (piece < rest.size() && piece > 0 && rest[piece - 1] >= 0xD800 &&
        rest[piece - 1] <= 0xDBFF) {
      --piece;
    }
    const std::wstring_view part =
        rest.empty() ? std::wstring_view(L"\r\n") : rest.substr(0, piece);
    if (console) {
      WriteConsoleW(handle, part.data(), static_cast<DWORD>(part.size()), &written, nullptr);
    } else {
      char bytes[256 * 3];
      const int size = WideCharToMultiByte(CP_UTF8, 0, part.data(), static_cast<int>(part.size()),
                                           bytes, static_cast<int>(sizeof bytes), nullptr, nullptr);
      WriteFile(handle, bytes, static_cast<DWORD>(std::max(size, 0)), &written, nullptr);
    }
    if (rest.empty()) {
      return;
    }
    rest.remove_prefix(piece);
  }
}

}  // namespace

void write_standard_error(std::wstring_view line) noexcept {
  write_standard_stream(STD_ERROR_HANDLE, line);
}

void write_standard_output(std::wstring_view line) noexcept {
  write_standard_stream(STD_OUTPUT_HANDLE, line);
}

}  // namespace notice::win32
