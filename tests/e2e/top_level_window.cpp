#include "top_level_window.hpp"

#include <thread>

namespace e2e {
namespace {

struct Search {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.process_id) {
    search.found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> top_level_windows_of(DWORD process_id) {
  Search search{process_id, {}};
  EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds interval) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(interval);
  }
}

HWND wait_for_visible_window(DWORD process_id, std::chrono::milliseconds timeout) {
  HWND shown = nullptr;
  wait_until(
      [&] {
        for (HWND window : top_level_windows_of(process_id)) {
          if (IsWindowVisible(window) != 0) {
            shown = window;
            return true;
          }
        }
        return false;
      },
      timeout);
  return shown;
}

WindowFacts read_window(HWND window) {
  WindowFacts facts;
  GetWindowRect(window, &facts.window);
  GetClientRect(window, &facts.client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&facts.client), 2);
  facts.style = GetWindowLongW(window, GWL_STYLE);
  facts.ex_style = GetWindowLongW(window, GWL_EXSTYLE);
  facts.visible = IsWindowVisible(window) != 0;
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  if (GetLayeredWindowAttributes(window, &key, &alpha, &flags) != 0) {
    facts.alpha = alpha;
    facts.layered_flags = flags;
  }
  return facts;
}

}  // namespace e2e
