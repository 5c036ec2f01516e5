#pragma once

#include <windows.h>

#include <string_view>

namespace notice::win32 {

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
