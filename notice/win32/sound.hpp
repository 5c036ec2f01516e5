#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace notice::win32 {

// A path winmm can open for the same file. winmm opens a sound file through the ANSI code page
// and only up to 127 bytes (mmioOpen), so a path it cannot take is replaced by its short (8.3)
// form when that one fits; otherwise it is kept as it is, and winmm plays the default sound.
std::wstring playable_path(std::u16string_view path);

// sndPlaySoundW from winmm.dll, loaded on first use from the system folder only: a winmm.dll
// placed beside the program must never be loaded.
class Sound {
 public:
  void play(std::u16string_view path, UINT flags);

 private:
  using PlayFunction = BOOL(WINAPI*)(LPCWSTR, UINT);
  PlayFunction play_ = nullptr;
};

}  // namespace notice::win32
