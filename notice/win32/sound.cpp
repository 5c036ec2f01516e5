#include "sound.hpp"

#include <stdexcept>
#include <string>
#include <string_view>

namespace notice::win32 {
namespace {

// OFSTRUCT's path, which mmioOpen's file routine goes through: 128 bytes with the terminator.
constexpr int kLongestOpenablePath = 128;

bool winmm_can_open(const std::wstring& path) {
  // With "Use Unicode UTF-8 for worldwide language support" the ANSI code page is UTF-8, which
  // holds every character but refuses the best-fit check and its default character.
  if (GetACP() == CP_UTF8) {
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path.c_str(), -1, nullptr,
                                          0, nullptr, nullptr);
    return bytes > 0 && bytes <= kLongestOpenablePath;
  }
  BOOL lossy = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0,
                                        nullptr, &lossy);
  return bytes > 0 && bytes <= kLongestOpenablePath && lossy == FALSE;
}

}  // namespace

std::wstring playable_path(std::u16string_view path) {
  std::wstring wide(path.begin(), path.end());
  if (winmm_can_open(wide)) {
    return wide;
  }
  // The "\\?\" form lets the short form be found beyond MAX_PATH; it is dropped again after.
  std::wstring full = wide;
  if (!full.starts_with(L"\\\\") && full.size() > 2 && full[1] == L':') {
    full = L"\\\\?\\" + full;
  }
  std::wstring short_form(GetShortPathNameW(full.c_str(), nullptr, 0), L'\0');
  const DWORD length =
      GetShortPathNameW(full.c_str(), short_form.data(), static_cast<DWORD>(short_form.size()));
  if (length == 0 || length >= short_form.size()) {
    return wide;
  }
  short_form.resize(length);
  if (full != wide && short_form.starts_with(L"\\\\?\\")) {
    short_form.erase(0, 4);
  }
  return winmm_can_open(short_form) ? short_form : wide;
}

void Sound::play(std::u16string_view path, UINT flags) {
  if (play_ == nullptr) {
    // Never freed: the function may still be playing asynchronously when the process ends.
    const HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (winmm == nullptr) {
      throw std::runtime_error("sound: winmm.dll cannot be loaded");
    }
    const FARPROC address = GetProcAddress(winmm, "sndPlaySoundW");
    if (address == nullptr) {
      throw std::runtime_error("sound: sndPlaySoundW is missing");
    }
    play_ = reinterpret_cast<PlayFunction>(reinterpret_cast<void (*)()>(address));
  }
  play_(playable_path(path).c_str(), flags);
}

}  // namespace notice::win32
