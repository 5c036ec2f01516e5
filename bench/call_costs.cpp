// What single system calls of the notices cost on this system, for finding where a figure of
// scripts/bench goes: each call is repeated on a hidden layered pop-up and its mean time printed
// as "name microseconds" lines.
//   call_costs.exe [repetitions]     (default 5000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>

namespace {

double now_us() {
  static const double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1e6 / frequency;
}

void pump_messages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void cost(const char* name, int repetitions, const std::function<void(int)>& call) {
  const double started = now_us();
  for (int i = 0; i < repetitions; ++i) {
    call(i);
  }
  std::printf("%s %.2f\n", name, (now_us() - started) / repetitions);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int repetitions = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5000;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"OrvaneCallCosts";
  RegisterClassW(&window_class);
  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                      window_class.lpszClassName, L"", WS_POPUP, 700, 600, 569, 122,
                                      nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(window, 0, 0, LWA_ALPHA);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  pump_messages();

  volatile int sink = 0;
  cost("GetSystemMetrics_SM_CXSCREEN_us", repetitions,
       [&](int) { sink = sink + GetSystemMetrics(SM_CXSCREEN); });
  cost("GetSystemMetrics_SM_CXVIRTUALSCREEN_us", repetitions,
       [&](int) { sink = sink + GetSystemMetrics(SM_CXVIRTUALSCREEN); });
  cost("GetSystemMetrics_SM_XVIRTUALSCREEN_us", repetitions,
       [&](int) { sink = sink + GetSystemMetrics(SM_XVIRTUALSCREEN); });
  cost("PeekMessage_empty_queue_us", repetitions, [&](int) { pump_messages(); });
  cost("GetWindowLongA_GWL_EXSTYLE_us", repetitions,
       [&](int) { sink = sink + GetWindowLongA(window, GWL_EXSTYLE); });
  const LONG style = GetWindowLongA(window, GWL_EXSTYLE);
  cost("SetWindowLongA_GWL_EXSTYLE_unchanged_us", repetitions,
       [&](int) { SetWindowLongA(window, GWL_EXSTYLE, style); });
  cost("SetLayeredWindowAttributes_us", repetitions, [&](int i) {
    SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(i & 0xff), LWA_ALPHA);
  });
  cost("SetLayeredWindowAttributes_and_pump_us", repetitions, [&](int i) {
    SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(i & 0xff), LWA_ALPHA);
    pump_messages();
  });
  // On the desktop: the visible part of a slide.
  cost("SetWindowPos_move_on_screen_us", repetitions / 10, [&](int i) {
    SetWindowPos(window, nullptr, 600 + (i & 63), 600, 569, 122,
                 SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  });
  cost("SetWindowPos_move_off_screen_us", repetitions / 10, [&](int i) {
    SetWindowPos(window, nullptr, 5000 + (i & 63), 600, 569, 122,
                 SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  });
  DestroyWindow(window);
  return sink == 42 ? 0 : 0;
}
