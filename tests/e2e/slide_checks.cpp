#include "slide_checks.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace e2e {
namespace {

std::string describe(const RECT& r) {
  std::ostringstream text;
  text << "(" << r.left << "," << r.top << " " << width(r) << "x" << height(r) << ")";
  return text.str();
}

// The first few moves and the last, with when they were seen.
std::string describe(const std::vector<WindowMove>& moves) {
  constexpr std::size_t kFirst = 30;
  std::string text;
  for (std::size_t i = 0; i < moves.size(); ++i) {
    if (i < kFirst || i + 3 >= moves.size()) {
      text += std::to_string(moves[i].at.count()) + " ms " + describe(moves[i].rect) + "; ";
    } else if (i == kFirst) {
      text += "...; ";
    }
  }
  return text;
}

void record(const char* key, Elapsed value) {
  ::testing::Test::RecordProperty(key, static_cast<int>(value.count()));
}

}  // namespace

void expect_slides_out(const NoticeWatch& watch, Elapsed after, Elapsed tolerance) {
  ASSERT_TRUE(watch.failure.empty()) << watch.failure;
  ASSERT_TRUE(watch.moved_after.has_value())
      << "never moved; "
      << (watch.ended_after ? "ended after " + std::to_string(watch.ended_after->count()) + " ms"
                            : std::string("still running when the watch ran out"));
  record("window_seen_ms", watch.visible_after);
  record("slide_started_ms", *watch.moved_after);
  // The timer starts just before the window is shown. Wine may take a good part of a second to
  // start a process on a busy machine, so that time counts only against an early slide.
  EXPECT_GE(*watch.moved_after, after - tolerance) << "ms from CreateProcess to the first move";
  EXPECT_LE(*watch.moved_after - watch.visible_after, after + tolerance)
      << "ms from the window's appearance to the first move; it appeared "
      << watch.visible_after.count() << " ms after CreateProcess";

  const RECT shown = watch.shown.window;
  const int screen_right =
      GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  SCOPED_TRACE("shown at " + describe(shown) + ", then " + describe(watch.moves));
  RECT previous = shown;
  int moving_and_narrower = 0;
  std::optional<Elapsed> off_screen;
  std::string off_line;
  std::string backwards;
  std::string wider;
  for (const WindowMove& m : watch.moves) {
    const RECT& r = m.rect;
    if ((r.top != shown.top || height(r) != height(shown)) && off_line.empty()) {
      off_line = describe(r);
    }
    if (r.left < previous.left && backwards.empty()) {
      backwards = describe(previous) + " to " + describe(r);
    }
    if (width(r) > width(previous) && wider.empty()) {
      wider = describe(previous) + " to " + describe(r);
    }
    if (r.left > shown.left && width(r) < width(shown) && r.left < screen_right) {
      ++moving_and_narrower;
    }
    if (r.left >= screen_right && !off_screen) {
      off_screen = m.at;
    }
    previous = r;
  }
  EXPECT_EQ(off_line, "") << "left its own height and top";
  EXPECT_EQ(backwards, "") << "moved left";
  EXPECT_EQ(wider, "") << "grew wider";
  EXPECT_GE(moving_and_narrower, 2) << "seen on screen further right and narrower fewer than twice";
  EXPECT_GE(previous.left, screen_right) << "the last place seen is not off the screen";
  if (off_screen) {
    record("off_screen_ms", *off_screen);
  }

  ASSERT_TRUE(watch.ended_after.has_value()) << "still running when the watch ran out";
  record("ended_ms", *watch.ended_after);
  EXPECT_EQ(watch.exit_code, std::optional<DWORD>{0});
}

}  // namespace e2e
