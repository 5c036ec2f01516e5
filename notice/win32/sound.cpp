#include "sound.hpp"

#include <stdexcept>
#include <string>

namespace notice::win32 {

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
  const std::wstring wide(path.begin(), path.end());
  play_(wide.c_str(), flags);
}

}  // namespace notice::win32
