#include <gtest/gtest.h>

#include <iostream>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"

namespace e2e {
namespace {

// Settings > Accessibility > Text size, read at load and on every settings change: 225 % is as
// large as a 1280 x 800 screen holds, and a value of another type counts as 100 %. At every size
// the notice keeps 15 twips right of it and 650 below, at its own scale.
TEST(TextSize, ScalesEachNoticeAtLoadAndWhileItShowsAsFarAsTheScreenHolds) {
  if (GetSystemMetrics(SM_CXSCREEN) != 1280 || GetSystemMetrics(SM_CYSCREEN) != 800) {
    GTEST_SKIP() << "the sizes below are those of a 1280 x 800 screen";
  }
  const auto set = [](DWORD type, const void* value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", L"TextScaleFactor",
                    type, value, 4);
  };
  const struct {
    DWORD percent;
    SIZE message, print;
  } steps[] = {{150, {854, 183}, {396, 603}},
               {125, {711, 153}, {330, 503}},
               {225, {1274, 273}, {473, 720}},
               {0, {569, 122}, {264, 402}}};
  for (const bool message : {true, false}) {
    set(REG_DWORD, &steps[0].percent);
    const ShownNotice notice = show_notice(message ? message_program() : print_program(),
                                           notice_argument(L'X', L' ', L"Texto", L"", L""));
    for (const auto& step : steps) {
      set(step.percent != 0 ? REG_DWORD : REG_SZ,
          step.percent != 0 ? static_cast<const void*>(&step.percent) : L"9");
      SendMessageTimeoutW(notice.window, WM_SETTINGCHANGE, 0, 0, 0, 5000, nullptr);
      const SIZE expected = message ? step.message : step.print;
      wait_until([&] { return width(read_window(notice.window).window) == expected.cx; }, 5s);
      const RECT w = read_window(notice.window).window;
      std::cout << (message ? "OrvaneMessage" : "OrvanePag") << " at " << step.percent
                << " % (0: REG_SZ): " << width(w) << " x " << height(w) << " at (" << w.left << ","
                << w.top << ")\n";
      EXPECT_EQ(width(w), expected.cx) << step.percent;
      EXPECT_EQ(height(w), expected.cy) << step.percent;
      EXPECT_NEAR(1280 - w.right, expected.cx / 569.0, 2.0) << step.percent;
      EXPECT_NEAR(800 - w.bottom, 650 * expected.cy / (message ? 1830.0 : 6030.0), 1.0);
    }
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", L"TextScaleFactor");
}

}  // namespace
}  // namespace e2e
