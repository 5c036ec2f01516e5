#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "program_paths.hpp"

namespace e2e {
namespace {

std::wstring sample() {
  return notice_argument(L'X', L' ', L"Papel esgotado na bandeja 2", L"Coloque papel",
                         L"Fila parada");
}

// Screen position of a point given relative to the notice window.
POINT on_notice(const ShownNotice& notice, int x, int y) {
  return POINT{notice.shown.window.left + x, notice.shown.window.top + y};
}

TEST(EmptyArgument, EndsAtOnceWithoutShowingAWindow) {
  const auto started = std::chrono::steady_clock::now();
  NoticeProcess process(message_program(), L"");
  bool window_seen = false;
  const bool ended = wait_until(
      [&] {
        for (HWND window : top_level_windows_of(process.id())) {
          window_seen = window_seen || IsWindowVisible(window) != 0;
        }
        return !process.running();
      },
      1s, 1ms);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  ASSERT_TRUE(ended) << "still running after " << took.count() << " ms";
  EXPECT_FALSE(window_seen);
  EXPECT_EQ(process.wait_for_exit(0ms), std::optional<DWORD>{0});
  RecordProperty("milliseconds", static_cast<int>(took.count()));
}

TEST(Closing, AClickOnTheCloseBoxEndsTheNotice) {
  const ShownNotice notice = show_notice(message_program(), sample());
  const POINT box = on_notice(notice, (kCloseBox.left + kCloseBox.right) / 2,
                              (kCloseBox.top + kCloseBox.bottom) / 2);
  click_at(box.x, box.y);
  EXPECT_EQ(notice.process.wait_for_exit(3s), std::optional<DWORD>{0});
}

TEST(Closing, OnlyADoubleClickOnTheTitleEndsTheNotice) {
  const ShownNotice notice = show_notice(message_program(), sample());
  const POINT title = on_notice(notice, 300, 9);
  const POINT message = on_notice(notice, kLabelLeft + 20, kMessageTop + 7);

  click_at(title.x, title.y);
  click_at(message.x, message.y);
  double_click_at(message.x, message.y);
  // Longer than the double-click time, so the next click starts afresh.
  EXPECT_FALSE(notice.process.wait_for_exit(800ms).has_value())
      << "a single click on the title or any click on a text line ended the notice";

  double_click_at(title.x, title.y);
  EXPECT_EQ(notice.process.wait_for_exit(3s), std::optional<DWORD>{0});
}

// What Task Manager's End task, an installer's Restart Manager and a log-off send, posted from
// another process while the notice fades in and once it waits: each ends it with code 0 at once,
// and nothing (such as the raise above other windows) happens after it.
TEST(Closing, CloseAndEndSessionEndTheNoticeAsTheCloseBoxDoes) {
  struct Request {
    const char* name;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  const Request requests[] = {{"WM_CLOSE", WM_CLOSE, 0, 0},
                              {"WM_ENDSESSION", WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP}};
  for (const std::wstring& program : {message_program(), print_program()}) {
    for (const Request& request : requests) {
      for (const bool fading : {true, false}) {
        const std::string name = narrow(program.substr(program.rfind(L'\\') + 1)) + " " +
                                 request.name + (fading ? " during the fade-in" : " while waiting");
        SCOPED_TRACE(name);
        std::optional<NoticeProcess> started;
        HWND window = nullptr;
        if (fading) {
          started.emplace(program, sample());
          window = wait_for_visible_window(started->id(), kWindowTimeout);
        } else {
          ShownNotice shown = show_notice(program, sample());
          window = shown.window;
          started.emplace(std::move(shown.process));
        }
        ASSERT_NE(window, nullptr);
        const NoticeProcess& process = *started;
        std::optional<BYTE> alpha;
        // Once the fade has begun.
        wait_until([&] { return (alpha = read_window(window).alpha).value_or(0) > 0; }, 2s, 1ms);
        ASSERT_TRUE(alpha.has_value());
        EXPECT_EQ(*alpha < 255, fading) << "alpha " << int{*alpha} << " when posted";
        DWORD_PTR may_end = FALSE;
        // Asked first, as Windows asks before it ends a session: a notice never refuses.
        EXPECT_NE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP,
                                      SMTO_ABORTIFHUNG, 1000, &may_end),
                  0);
        EXPECT_EQ(may_end, static_cast<DWORD_PTR>(TRUE));
        const auto posted = std::chrono::steady_clock::now();
        ASSERT_NE(PostMessageW(window, request.message, request.wparam, request.lparam), 0);
        bool raised = false;
        while (process.running() && std::chrono::steady_clock::now() - posted < 1s) {
          raised = raised || (read_window(window).ex_style & WS_EX_TOPMOST) != 0;
        }
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - posted);
        EXPECT_EQ(process.wait_for_exit(0ms), std::optional<DWORD>{0}) << took.count() << " ms";
        EXPECT_FALSE(fading && raised) << "raised above other windows after the request";
        std::printf("%s: ended %lld ms after posting (alpha %d)\n", name.c_str(),
                    static_cast<long long>(took.count()), int{*alpha});
      }
    }
  }
}

}  // namespace
}  // namespace e2e
