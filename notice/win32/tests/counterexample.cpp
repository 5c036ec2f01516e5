#include <mmsystem.h>
#include <windows.h>

// Everything a notice program must not be: console subsystem, winmm imported statically.
int main() { return sndPlaySoundW(nullptr, 0) ? 0 : 1; }
