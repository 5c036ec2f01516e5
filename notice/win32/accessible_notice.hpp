#pragma once

#include <windows.h>

#include <vector>

#include "painting.hpp"

namespace notice::win32 {

class NoticeAccessible;

// What a screen reader finds in a notice window, and when it is told. The window answers
// WM_GETOBJECT for its client area with an object of its own: an alert named by the title, whose
// description is the lines in reading order, all as shown, with the close box as its one child.
// Once the window is first visible and top-most, EVENT_SYSTEM_ALERT tells readers to speak it:
// what NVDA and Narrator speak from a window that is not in the foreground is an alert from a
// top-most window. Once the person brings the window to the front it takes the keyboard focus, and
// EVENT_OBJECT_FOCUS has readers read the object then.
//
// oleacc.dll is loaded from the system folder only, when a reader first asks. Every failure here
// is swallowed: the notice shows, plays and closes regardless. The window's thread must have COM
// initialised, or another process cannot reach the object.
class AccessibleNotice {
 public:
  // Posted to the window when a reader presses the close box (its default action); the window
  // passes it to its handler as a click on Label5, as it does the mouse's.
  static constexpr UINT kCloseBoxPressed = WM_APP + 1;

  // Reads the labels as the window shows them, at its scale; both must outlive this object.
  AccessibleNotice(const std::vector<Label>& labels, const PixelScale& scale) noexcept
      : labels_(labels), scale_(scale) {}
  // Readers still holding the object are cut off from it: it no longer reads the window.
  ~AccessibleNotice();
  AccessibleNotice(const AccessibleNotice&) = delete;
  AccessibleNotice& operator=(const AccessibleNotice&) = delete;

  // At the window's destruction: readers holding the object are cut off from it, and from the
  // labels; a later WM_GETOBJECT would give a fresh object.
  void disconnect() noexcept;

  // The answer to WM_GETOBJECT: the notice's own object for OBJID_CLIENT, the system's default
  // for anything else or when the object cannot be given.
  LRESULT get_object(HWND window, WPARAM wparam, LPARAM lparam) noexcept;

  // Called after each call that makes the window top-most: the first time it is then visible and
  // top-most, the alert is raised. Once per notice.
  void on_top(HWND window) noexcept;

  // Called when the window takes the keyboard focus.
  void on_focus(HWND window) noexcept;

 private:
  const std::vector<Label>& labels_;
  const PixelScale& scale_;
  NoticeAccessible* object_ = nullptr;
  bool alerted_ = false;
};

}  // namespace notice::win32
