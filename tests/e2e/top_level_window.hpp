#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace e2e {

// The top-level windows a process owns right now, visible or not.
std::vector<HWND> top_level_windows_of(DWORD process_id);

// The first visible top-level window of the process, polled until the timeout.
HWND wait_for_visible_window(DWORD process_id, std::chrono::milliseconds timeout);

// Polls the condition every few milliseconds; true as soon as it holds.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds interval = std::chrono::milliseconds(5));

// What another process can read about a window.
struct WindowFacts {
  RECT window{};
  RECT client{};  // in screen coordinates
  LONG style = 0;
  LONG ex_style = 0;
  bool visible = false;
  // From GetLayeredWindowAttributes; nothing when the window has no layered attributes.
  std::optional<BYTE> alpha;
  DWORD layered_flags = 0;
};

WindowFacts read_window(HWND window);

inline int width(const RECT& r) { return r.right - r.left; }
inline int height(const RECT& r) { return r.bottom - r.top; }

}  // namespace e2e
