#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "top_level_window.hpp"

namespace e2e {

// A child id as oleacc's calls take it.
inline VARIANT child_id(LONG id) {
  VARIANT variant{};
  variant.vt = VT_I4;
  variant.lVal = id;
  return variant;
}

// The text of a BSTR an accessible object returned, which is freed.
inline std::wstring take(BSTR text) {
  std::wstring taken(text != nullptr ? text : L"", SysStringLen(text));
  SysFreeString(text);
  return taken;
}

// What a screen reader reads of a window's client object and of its first child, from another
// process, through oleacc.
struct AccessibleReading {
  HRESULT result = E_FAIL;  // of getting the object; nothing else is read when it failed
  LONG role = 0;
  std::wstring name;
  std::wstring description;
  LONG state = 0;
  LONG children = 0;
  LONG child_role = 0;
  std::wstring child_name;
};

// Reads the object a window gives for OBJID_CLIENT, as a reader does on an event. Initialises COM
// on the calling thread if it has not been.
AccessibleReading read_accessible(HWND window);

// Presses the default action of the client object's child, as a reader does; returns the call's
// result and when it was made.
HRESULT press_child(HWND window, LONG child, std::chrono::steady_clock::time_point& pressed);

// An alert as a reader received it, with the window as it was then.
struct SeenAlert {
  HWND window = nullptr;
  LONG object = 0;
  LONG child = 0;
  DWORD process = 0;  // the window's; 0 when it was already gone
  WindowFacts facts;
  HWND foreground = nullptr;
  AccessibleReading reading;  // read at once, as a reader would
};

// Listens as a screen reader does: an out-of-context WinEvent hook for alerts and foreground
// changes, on a thread of its own with a message loop, reading each alert's object as it comes.
class ScreenReader {
 public:
  ScreenReader();
  ~ScreenReader();
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;

  // Alerts from the process's windows, and from windows already gone, so none is missed.
  std::vector<SeenAlert> alerts_of(DWORD process) const;
  bool wait_for_alert_of(DWORD process, std::chrono::milliseconds timeout) const;
  // Every window that became the foreground window while listening.
  std::vector<HWND> foregrounds() const;

 private:
  static void CALLBACK on_event(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                LONG child, DWORD thread, DWORD time);
  void listen();

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<SeenAlert> alerts_;
  std::vector<HWND> foregrounds_;
  std::vector<SeenAlert> unread_;  // on the listening thread only
  bool listening_ = false;
  DWORD thread_id_ = 0;
  std::thread thread_;
};

}  // namespace e2e
