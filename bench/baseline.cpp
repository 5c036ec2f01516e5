// The least a notice has to do, for the bench to measure the notices against:
//   baseline.exe <width twips> <height twips> <delay ms> [<sound file>]
// A hidden, borderless, layered pop-up of that size in the bottom-right corner, faded in with 256
// alpha steps and a message pump after each, made top-most, then the sound file, when given,
// played asynchronously through winmm loaded from the system folder, as a notice plays its own;
// then, when the delay is not 0, the slide-out after that delay, with the notices' step geometry:
// window calls while any of it is on the desktop, then the pump alone for the remaining steps;
// then the process ends with exit code 0. Nothing is drawn beyond the background DefWindowProc
// erases; no pictures or fonts.
#include <windows.h>

#include <cwchar>

#include "slide_geometry.hpp"

namespace {

constexpr UINT_PTR kTimerId = 1;

bench::TwipRect g_start{};
HWND g_window = nullptr;

void pump_messages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void slide_out() {
  const int desktop_right =
      GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  bench::PixelRect shown = bench::to_pixels(g_start);
  for (long long step = 1; step <= g_start.width; ++step) {
    const bench::PixelRect wanted = bench::to_pixels(bench::slide_step(g_start, step));
    if (bench::needs_window_call(shown, wanted, desktop_right)) {
      SetWindowPos(g_window, nullptr, wanted.x, wanted.y, wanted.width, wanted.height,
                   SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
      shown = wanted;
    }
    pump_messages();
  }
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimerId) {
    KillTimer(hwnd, kTimerId);
    slide_out();
    ExitProcess(0);
  }
  if (message == WM_MOUSEACTIVATE) {
    return MA_NOACTIVATE;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// Plays the file as a notice does; a sound that cannot be played is no reason to stop.
void play_sound(const wchar_t* path) {
  using PlayFunction = BOOL(WINAPI*)(LPCWSTR, UINT);
  const HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const FARPROC address = winmm != nullptr ? GetProcAddress(winmm, "sndPlaySoundW") : nullptr;
  if (address != nullptr) {
    constexpr UINT kAsync = 0x0001;  // SND_ASYNC, without mmsystem.h
    reinterpret_cast<PlayFunction>(reinterpret_cast<void (*)()>(address))(path, kAsync);
  }
}

long long argument(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(text, &end, 10);
  return (end != text && *end == L'\0' && value >= 0) ? value : -1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  if (__argc != 4 && __argc != 5) {
    return 2;
  }
  const long long width = argument(__wargv[1]);
  const long long height = argument(__wargv[2]);
  const long long delay = argument(__wargv[3]);
  if (width < 1 || height < 1 || delay < 0 || delay > 0x7fffffff) {
    return 2;
  }

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = instance;
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = L"OrvaneBenchBaseline";
  if (RegisterClassW(&window_class) == 0) {
    return 1;
  }
  g_start = bench::resting_place(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 width, height);
  const bench::PixelRect rest = bench::to_pixels(g_start);
  // Layered from the start, so it stays unseen until its alpha is set.
  g_window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                             window_class.lpszClassName, L"", WS_POPUP, rest.x, rest.y, rest.width,
                             rest.height, nullptr, nullptr, instance, nullptr);
  if (g_window == nullptr) {
    return 1;
  }
  SetLayeredWindowAttributes(g_window, 0, 0, LWA_ALPHA);
  if (delay > 0) {
    SetTimer(g_window, kTimerId, static_cast<UINT>(delay), nullptr);
  }
  ShowWindow(g_window, SW_SHOWNOACTIVATE);
  for (int alpha = 0; alpha <= 255; ++alpha) {
    SetLayeredWindowAttributes(g_window, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
    pump_messages();
  }
  SetWindowPos(g_window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (__argc == 5) {
    play_sound(__wargv[4]);
  }

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
