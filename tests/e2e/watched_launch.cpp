#include "watched_launch.hpp"

#include <string>
#include <utility>

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto kWindowTimeout = 20s;
constexpr auto kFadeTimeout = 10s;

bool same_rect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

WatchedLaunch::WatchedLaunch(const std::wstring& program, const std::wstring& argument,
                             WatchPlan plan)
    : plan_(std::move(plan)),
      started_(std::chrono::steady_clock::now()),
      process_(program, argument, LaunchOptions{.someone_present = plan_.someone_present}),
      thread_([this] { watch(); }) {}

WatchedLaunch::~WatchedLaunch() {
  stop_ = true;
  thread_.join();
}

Elapsed WatchedLaunch::since_start() const {
  return std::chrono::duration_cast<Elapsed>(std::chrono::steady_clock::now() - started_);
}

HWND WatchedLaunch::wait_until_shown(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return shown_ || done_; });
  return shown_ ? watch_.window : nullptr;
}

const NoticeWatch& WatchedLaunch::result() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return done_; });
  return watch_;
}

void WatchedLaunch::watch() {
  NoticeWatch seen;
  auto finish = [&] {
    if (plan_.end_after_watch) {
      process_.terminate();
    }
    const std::lock_guard lock(mutex_);
    watch_ = std::move(seen);
    done_ = true;
    changed_.notify_all();
  };

  HWND window = nullptr;
  wait_until(
      [&] {
        for (HWND w : top_level_windows_of(process_.id())) {
          if (IsWindowVisible(w) != 0) {
            window = w;
          }
        }
        return window != nullptr || stop_ || !process_.running();
      },
      kWindowTimeout, 2ms);
  if (window == nullptr) {
    const auto code = process_.wait_for_exit(0ms);
    seen.failure = code ? "ended with code " + std::to_string(*code) + " without a window"
                        : "no visible window";
    finish();
    return;
  }
  seen.window = window;
  seen.visible_after = since_start();
  const bool opaque = wait_until(
      [&] {
        const WindowFacts facts = read_window(window);
        if (const int alpha = facts.alpha.value_or(-1);
            seen.alphas.empty() || seen.alphas.back() != alpha) {
          seen.alphas.push_back(alpha);
        }
        return (facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0) || stop_;
      },
      kFadeTimeout, 2ms);
  if (!opaque || stop_) {
    seen.failure = "never opaque and top-most";
    finish();
    return;
  }
  seen.shown = read_window(window);
  seen.shown_after = since_start();
  {
    const std::lock_guard lock(mutex_);
    watch_.window = window;
    watch_.shown = seen.shown;
    shown_ = true;
    changed_.notify_all();
  }
  if (plan_.when_shown) {
    plan_.when_shown(window);
  }

  RECT last = seen.shown.window;
  for (;;) {
    const Elapsed now = since_start();
    const auto interval = now < plan_.closely_from ? 20ms : 1ms;
    if (WaitForSingleObject(process_.handle(), static_cast<DWORD>(interval.count())) ==
        WAIT_OBJECT_0) {
      seen.ended_after = since_start();
      seen.exit_code = process_.wait_for_exit(0ms);
      break;
    }
    if (stop_ || now >= plan_.watch_for) {
      seen.running_at_the_end = true;
      break;
    }
    if (!seen.hidden_after && IsWindowVisible(window) == 0) {
      seen.hidden_after = since_start();
    }
    RECT rect{};
    if (GetWindowRect(window, &rect) != 0 && !same_rect(rect, last)) {
      const Elapsed at = since_start();
      const bool first = !seen.moved_after;
      if (first) {
        seen.moved_after = at;
      }
      seen.moves.push_back(WindowMove{at, rect});
      last = rect;
      if (first && plan_.when_moved) {
        plan_.when_moved(window);
      }
    }
  }
  finish();
}

bool is_above(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == lower) {
      return true;
    }
  }
  return false;
}

}  // namespace e2e
