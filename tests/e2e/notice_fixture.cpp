#include "notice_fixture.hpp"

#include <atomic>
#include <stdexcept>

#include "program_paths.hpp"

namespace e2e {

std::wstring message_program() { return program_path(L"OrvaneMessage.exe"); }
std::wstring print_program() { return program_path(L"OrvanePag.exe"); }

ShownNotice show_notice(const std::wstring& program, const std::wstring& argument,
                        const LaunchOptions& options) {
  if (!file_exists(program)) {
    throw std::runtime_error(narrow(program) + " has not been built");
  }
  ShownNotice notice{NoticeProcess(program, argument, options), nullptr, {}, {}, {}};
  notice.window = wait_for_visible_window(notice.process.id(), kWindowTimeout);
  if (notice.window == nullptr) {
    const auto code = notice.process.wait_for_exit(0ms);
    throw std::runtime_error(code ? "the process ended with code " + std::to_string(*code) +
                                        " without showing a window"
                                  : "no visible window within the timeout");
  }
  notice.first_seen = read_window(notice.window);
  // At rest: opaque, then made top-most by a call of its own just after the last alpha step,
  // which a busy machine may delay past the settling below.
  if (!wait_until(
          [&] {
            const WindowFacts facts = read_window(notice.window);
            return facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0;
          },
          kFadeTimeout)) {
    throw std::runtime_error("the window never became opaque (alpha 255) and top-most");
  }
  // Painting may still be on its way after the last alpha step.
  settled_image(notice.window);
  notice.shown = read_window(notice.window);
  notice.image = ScreenImage::capture(notice.shown.window);
  return notice;
}

ScreenImage settled_image(HWND window) {
  ScreenImage previous = ScreenImage::capture(read_window(window).window);
  wait_until(
      [&] {
        ScreenImage now = ScreenImage::capture(read_window(window).window);
        const bool settled = now == previous;
        previous = std::move(now);
        return settled;
      },
      3s, 150ms);
  return previous;
}

namespace {

LRESULT CALLBACK plain_window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (auto* keys = reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      keys != nullptr && message == WM_KEYDOWN) {
    ++*keys;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

ForegroundWindow::ForegroundWindow() {
  std::atomic<HWND> created{nullptr};
  std::atomic<bool> ready{false};
  thread_ = std::thread([&] {
    thread_id_ = GetCurrentThreadId();
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = plain_window_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"e2e user application";
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&window_class);
    // Top-left, well away from the notices in the bottom-right corner.
    HWND window = CreateWindowExW(0, window_class.lpszClassName, L"user application",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, window_class.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&keys_));
    SetForegroundWindow(window);
    SetFocus(window);
    created = window;
    ready = true;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    DestroyWindow(window);
  });
  wait_until([&] { return ready.load(); }, 10s);
  window_ = created;
  wait_until([&] { return is_foreground(); }, 3s);
}

ForegroundWindow::~ForegroundWindow() {
  if (thread_.joinable()) {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
}

}  // namespace e2e

namespace e2e {

void SharedNotice::show(const std::wstring& program, const std::wstring& argument) {
  notice_.reset();
  failure_.clear();
  try {
    notice_.emplace(show_notice(program, argument));
  } catch (const std::exception& e) {
    failure_ = e.what();
  }
}

}  // namespace e2e
