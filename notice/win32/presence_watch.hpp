#pragma once

#include <windows.h>

#include "presence.hpp"
#include "session_calls.hpp"

namespace notice::win32 {

// Subscribes the notice window to the system's notifications of the session's lock and connection
// and of the display's power, and reads the states that come without one. It decides nothing:
// the facts go to the logic as they are.
class PresenceWatch {
 public:
  // A test may give its own session functions.
  explicit PresenceWatch(const SessionCalls& calls = session_calls()) : calls_(calls) {}
  ~PresenceWatch() { stop(); }
  PresenceWatch(const PresenceWatch&) = delete;
  PresenceWatch& operator=(const PresenceWatch&) = delete;

  // Subscribes the window and reads the session's lock and connection state as they are now.
  void start(HWND window) noexcept;
  // Unsubscribes, while the window is still there.
  void stop() noexcept;
  // WM_WTSSESSION_CHANGE's code.
  void session_changed(WPARAM change) noexcept;
  // WM_POWERBROADCAST's PBT_POWERSETTINGCHANGE; true when it was the display's state.
  bool power_setting_changed(LPARAM setting) noexcept;
  // A WM_MOUSEMOVE, as it is handled: never before the input it comes from, where its message
  // time may be (under Wine, by as long as the notice took to take up the pointer's move).
  void pointer_message() noexcept;
  // The facts as they are now. On a round at most once in two seconds: the shell's state, the
  // screen saver, the subscriptions not made yet, and a lock or disconnection told a round ago.
  // The last input and the pointer every time.
  Presence read() noexcept;

 private:
  void subscribe() noexcept;
  void read_session_state() noexcept;

  const SessionCalls& calls_;
  HWND window_ = nullptr;
  HPOWERNOTIFY display_notification_ = nullptr;
  bool session_notification_ = false;
  Presence facts_;
  ULONGLONG round_at_ = 0;
  ULONGLONG subscribed_at_ = 0;
  ULONGLONG session_read_at_ = 0;
  ULONGLONG pointer_moved_at_ = 0;
  // Since when the pointer has been seen on the notice at every look; 0 when it was not.
  ULONGLONG pointer_since_ = 0;
  DWORD pointer_message_time_ = 0;
  bool pointer_message_seen_ = false;
  bool round_done_ = false;
};

}  // namespace notice::win32
