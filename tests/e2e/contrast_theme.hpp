#pragma once

#include <windows.h>

namespace e2e {

// The shared flag that contrast_switch.dll answers SPI_GETHIGHCONTRAST from.
inline constexpr wchar_t kContrastFlagName[] = L"OrvaneE2eHighContrast";

// A contrast theme the test turns on and off for the notices it has let in: the prefix's system
// colours, each role a colour of its own, and the flag. Wine gives a program the system colours
// as they are when it starts and keeps them, so the colours are set for the guard's lifetime
// and only the flag is switched while a notice shows.
class ContrastTheme {
 public:
  static constexpr COLORREF kWindow = RGB(0, 0, 0);
  static constexpr COLORREF kWindowText = RGB(255, 255, 0);
  static constexpr COLORREF kButtonFace = RGB(0, 0, 128);
  static constexpr COLORREF kButtonText = RGB(255, 255, 255);

  ContrastTheme();
  // Off, with the prefix's own colours back for the programs started afterwards.
  ~ContrastTheme();
  ContrastTheme(const ContrastTheme&) = delete;
  ContrastTheme& operator=(const ContrastTheme&) = delete;

  // Loads contrast_switch.dll into a process, suspended or running.
  static bool let_in(HANDLE process);
  // Switches the theme and tells the window, as Windows does; null tells nobody.
  void set(bool on, HWND window);

 private:
  HANDLE mapping_;
  volatile LONG* flag_;
  COLORREF saved_[4];
};

}  // namespace e2e
