#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "notice_process.hpp"
#include "screen_image.hpp"
#include "top_level_window.hpp"

namespace e2e {

using namespace std::chrono_literals;

// Wine may take a few seconds to start a process on a busy machine.
inline constexpr auto kWindowTimeout = 20s;
inline constexpr auto kFadeTimeout = 10s;

std::wstring message_program();
std::wstring print_program();

// A notice that has been started, found on screen and has finished fading in.
struct ShownNotice {
  NoticeProcess process;
  HWND window = nullptr;
  WindowFacts first_seen;  // the first time the window was seen visible
  WindowFacts shown;       // after the fade, once the pixels have settled
  ScreenImage image;       // the window's rectangle on screen, once opaque
};

// Starts the program with the argument and waits until it is fully shown; throws
// std::runtime_error saying which step did not happen.
ShownNotice show_notice(const std::wstring& program, const std::wstring& argument,
                        const LaunchOptions& options = {});

// The window's pixels once two captures in a row are equal: painting has caught up.
ScreenImage settled_image(HWND window);

// A window of the test's own, in the foreground, on a thread that keeps its messages flowing, so
// tests can see whether a notice takes the foreground away from the user's application.
class ForegroundWindow {
 public:
  ForegroundWindow();
  ~ForegroundWindow();
  ForegroundWindow(const ForegroundWindow&) = delete;
  ForegroundWindow& operator=(const ForegroundWindow&) = delete;

  HWND handle() const { return window_; }
  bool is_foreground() const { return GetForegroundWindow() == window_; }
  // The keys pressed in the window so far.
  int keys() const { return keys_; }

 private:
  std::thread thread_;
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
  std::atomic<int> keys_{0};
};

}  // namespace e2e

namespace e2e {

// One launch shared by the tests of a suite (each launch costs Wine a second or more): shown in
// SetUpTestSuite, ended in TearDownTestSuite. A launch that fails is reported by every test.
class SharedNotice {
 public:
  void show(const std::wstring& program, const std::wstring& argument);
  void end() { notice_.reset(); }
  // Null when the launch failed; failure() then says why.
  const ShownNotice* get() const { return notice_ ? &*notice_ : nullptr; }
  const std::string& failure() const { return failure_; }

 private:
  std::optional<ShownNotice> notice_;
  std::string failure_;
};

}  // namespace e2e
