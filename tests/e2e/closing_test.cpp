#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"

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
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
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

}  // namespace
}  // namespace e2e
