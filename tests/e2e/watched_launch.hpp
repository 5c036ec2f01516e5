#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "notice_process.hpp"
#include "top_level_window.hpp"

namespace e2e {

// Times are milliseconds since just before the CreateProcess call.
using Elapsed = std::chrono::milliseconds;

struct WindowMove {
  Elapsed at;
  RECT rect;
};

// What a watcher thread saw of one notice from outside.
struct NoticeWatch {
  std::string failure;  // why the watch stopped early: no window, never opaque and top-most
  HWND window = nullptr;
  Elapsed visible_after{};
  std::vector<int> alphas;  // each alpha seen from then until opaque, in order, none twice running
  WindowFacts shown;        // once opaque and top-most
  Elapsed shown_after{};
  std::optional<Elapsed> moved_after;  // the first change of the window's rectangle
  std::vector<WindowMove> moves;       // every different rectangle seen from then on, in order
  std::optional<Elapsed> hidden_after;  // first seen hidden or gone, the process still running
  std::optional<Elapsed> ended_after;
  std::optional<DWORD> exit_code;
  bool running_at_the_end = false;  // still running when the watch ran out
};

struct WatchPlan {
  Elapsed watch_for;  // the watch ends then, or when the process does
  // Until then the rectangle is read every 20 ms, afterwards every millisecond, to catch the
  // steps of a slide without keeping a busy machine busier for the whole watch.
  Elapsed closely_from;
  // Ends the process when the watch runs out.
  bool end_after_watch = false;
  // Runs on the watcher thread once the window is opaque and top-most.
  std::function<void(HWND)> when_shown;
  // Runs on the watcher thread when the window is first seen to move.
  std::function<void(HWND)> when_moved{};
  // Input just before a timed notice starts (see LaunchOptions).
  bool someone_present = true;
};

// Starts a notice and watches it on a thread of its own, so a test can start a notice that takes
// long to do something, go on with other checks, and look at what happened later. The process is
// ended with the object.
class WatchedLaunch {
 public:
  WatchedLaunch(const std::wstring& program, const std::wstring& argument, WatchPlan plan);
  ~WatchedLaunch();
  WatchedLaunch(const WatchedLaunch&) = delete;
  WatchedLaunch& operator=(const WatchedLaunch&) = delete;

  // The window once opaque and top-most; null when that did not happen within the timeout.
  HWND wait_until_shown(std::chrono::milliseconds timeout);
  // Waits for the whole watch.
  const NoticeWatch& result();

 private:
  void watch();
  Elapsed since_start() const;

  WatchPlan plan_;
  std::chrono::steady_clock::time_point started_;
  NoticeProcess process_;
  NoticeWatch watch_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool shown_ = false;
  bool done_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Whether `upper` is above `lower` in the z-order of top-level windows.
bool is_above(HWND upper, HWND lower);

}  // namespace e2e
