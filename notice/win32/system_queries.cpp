#include "system_queries.hpp"

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.hpp"
#include "pixel_geometry.hpp"

namespace notice::win32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// Copies element by element; the core's text type is char16_t, the system's wchar_t.
std::u16string to_u16(const wchar_t* text, std::size_t length) {
  return std::u16string(text, text + length);
}

}  // namespace

std::u16string command_text() {
  const wchar_t* line = GetCommandLineW();
  const std::u16string whole = to_u16(line, static_cast<std::size_t>(lstrlenW(line)));
  return std::u16string(argument_text(whole));
}

std::u16string module_path() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      const DWORD error = GetLastError();
      throw std::runtime_error("GetModuleFileNameW failed, Windows error " + std::to_string(error));
    }
    // A truncated path fills the buffer exactly (Windows XP left out the terminator).
    if (length < buffer.size()) {
      return to_u16(buffer.data(), length);
    }
    if (buffer.size() >= 32768) {
      throw std::runtime_error("module path longer than 32767 characters");
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string program_directory() { return directory_of(module_path()); }

std::u16string current_time() {
  const int size = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, nullptr, 0);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size > 0 ? size : 1));
  const int written = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, buffer.data(),
                                      static_cast<int>(buffer.size()));
  if (written <= 0) {
    throw std::runtime_error("GetTimeFormatEx failed");
  }
  return to_u16(buffer.data(), static_cast<std::size_t>(written - 1));
}

std::u16string current_date() {
  const int size = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr,
                                   nullptr, 0, nullptr);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size > 0 ? size : 1));
  const int written = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr,
                                      buffer.data(), static_cast<int>(buffer.size()), nullptr);
  if (written <= 0) {
    throw std::runtime_error("GetDateFormatEx failed");
  }
  return to_u16(buffer.data(), static_cast<std::size_t>(written - 1));
}

}  // namespace notice::win32
