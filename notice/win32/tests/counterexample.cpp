// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

// Everything a notice program must not be: console subsystem, winmm imported statically.
int main() { return sndPlaySoundW(nullptr, 0) ? 0 : 1; }
