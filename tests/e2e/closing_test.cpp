#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "program_paths.hpp"
#include "screen_reader.hpp"

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
  const std::tuple<const char*, UINT, WPARAM> requests[] = {{"WM_CLOSE", WM_CLOSE, 0},
                                                            {"WM_ENDSESSION", WM_ENDSESSION, TRUE}};
  for (const std::wstring& program : {message_program(), print_program()}) {
    for (const auto& [name, message, wparam] : requests) {
      for (const bool fading : {true, false}) {
        NoticeProcess process(program, sample());
        const HWND window = wait_for_visible_window(process.id(), kWindowTimeout);
        ASSERT_NE(window, nullptr);
        WindowFacts facts;
        // Once the fade has begun, or once it is over and the notice is on top.
        wait_until(
            [&] {
              facts = read_window(window);
              return fading ? facts.alpha.value_or(0) > 0
                            : facts.alpha == BYTE{255} && (facts.ex_style & WS_EX_TOPMOST) != 0;
            },
            kFadeTimeout, 1ms);
        const std::string what = narrow(program.substr(program.rfind(L'\\') + 1)) + " " + name +
                                 " at alpha " + std::to_string(facts.alpha.value_or(0));
        EXPECT_EQ(facts.alpha < BYTE{255}, fading) << what;
        // Windows asks first; a notice never refuses.
        DWORD_PTR may_end = FALSE;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                            1000, &may_end);
        EXPECT_EQ(may_end, static_cast<DWORD_PTR>(TRUE)) << what;
        const auto posted = std::chrono::steady_clock::now();
        PostMessageW(window, message, wparam, message == WM_ENDSESSION ? ENDSESSION_CLOSEAPP : 0);
        bool raised = false;
        while (process.running() && std::chrono::steady_clock::now() - posted < 1s) {
          raised = raised || (read_window(window).ex_style & WS_EX_TOPMOST) != 0;
        }
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - posted)
                              .count();
        EXPECT_EQ(process.wait_for_exit(0ms), std::optional<DWORD>{0}) << what << ", " << took;
        EXPECT_FALSE(fading && raised) << what << ": raised after the request";
        std::printf("%s: ended %lld ms after posting\n", what.c_str(),
                    static_cast<long long>(took));
      }
    }
  }
}

// Someone without a mouse brings the notice to the front, as Alt+Tab and its task-bar button do,
// which gives its accessible object the focus, and presses a key: Escape, Enter and Space end it as
// the close box does, Alt+F4 as End task does. Escape pressed before goes to the user's window.
TEST(Closing, KeysEndTheNoticeOnceThePersonBringsItToTheFront) {
  const std::pair<const char*, std::vector<unsigned short>> keys[] = {{"Escape", {VK_ESCAPE}},
                                                                      {"Enter", {VK_RETURN}},
                                                                      {"Space", {VK_SPACE}},
                                                                      {"Alt+F4", {VK_MENU, VK_F4}}};
  for (const std::wstring& program : {message_program(), print_program()}) {
    for (const auto& [name, key] : keys) {
      const ForegroundWindow user;
      const ShownNotice notice = show_notice(program, sample());
      const std::string what = narrow(program.substr(program.rfind(L'\\') + 1)) + " " + name;
      press_keys({VK_ESCAPE});
      EXPECT_FALSE(notice.process.wait_for_exit(300ms).has_value()) << what << ", from behind";
      EXPECT_EQ(user.keys(), 1) << what;
      SetForegroundWindow(notice.window);
      ASSERT_TRUE(wait_until(
          [&] { return (read_accessible(notice.window).state & STATE_SYSTEM_FOCUSED) != 0; }, 3s,
          50ms))
          << what << ": never focused";
      press_keys(key);
      const auto pressed = std::chrono::steady_clock::now();
      EXPECT_TRUE(wait_until([&] { return IsWindowVisible(notice.window) == 0; }, 1s, 1ms)) << what;
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - pressed);
      EXPECT_EQ(notice.process.wait_for_exit(3s), std::optional<DWORD>{0}) << what;
      std::printf("%s: off the screen %d ms after the key\n", what.c_str(),
                  static_cast<int>(took.count()));
    }
  }
}

}  // namespace
}  // namespace e2e
