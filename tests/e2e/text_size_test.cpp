#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"

namespace e2e {
namespace {

constexpr wchar_t kKey[] = L"Software\\Microsoft\\Accessibility";

// Settings > Accessibility > Text size, as the prefix's registry holds it; gone after the test.
class TextSize : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetSystemMetrics(SM_CXSCREEN) != 1280 || GetSystemMetrics(SM_CYSCREEN) != 800) {
      GTEST_SKIP() << "the sizes below are those of a 1280 x 800 screen";
    }
  }
  void TearDown() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"TextScaleFactor"); }
  static void set(DWORD percent) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"TextScaleFactor", REG_DWORD, &percent,
                    sizeof percent);
  }
};

// Read at load and on every settings change; 225 % is as large as the screen holds, and a value
// of another type counts as 100 %. The notice stays in its corner at every size.
TEST_F(TextSize, ScalesEachNoticeAtLoadAndWhileItShowsAsFarAsTheScreenHolds) {
  struct Step {
    DWORD percent;
    SIZE message, print;
  };
  const Step steps[] = {{150, {854, 183}, {396, 603}},
                        {125, {711, 153}, {330, 503}},
                        {225, {1274, 273}, {473, 720}},
                        {0, {569, 122}, {264, 402}}};
  for (const bool message : {true, false}) {
    set(steps[0].percent);
    const ShownNotice notice = show_notice(message ? message_program() : print_program(),
                                           notice_argument(L'X', L' ', L"Texto", L"", L""));
    for (const Step& step : steps) {
      if (step.percent == 0) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"TextScaleFactor", REG_SZ, L"150", 8);
      } else {
        set(step.percent);
      }
      SendMessageTimeoutW(notice.window, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
      const SIZE expected = message ? step.message : step.print;
      wait_until([&] { return width(read_window(notice.window).window) == expected.cx; }, 5s);
      const RECT w = read_window(notice.window).window;
      std::cout << (message ? "OrvaneMessage" : "OrvanePag") << " at "
                << (step.percent != 0 ? std::to_string(step.percent) + " %" : "REG_SZ") << ": "
                << width(w) << " x " << height(w) << " at (" << w.left << "," << w.top << ")\n";
      EXPECT_EQ(width(w), expected.cx) << step.percent;
      EXPECT_EQ(height(w), expected.cy) << step.percent;
      // 15 twips right of it and 650 below, at its own scale: a pixel or a few.
      EXPECT_NEAR(1280 - w.right, expected.cx / 569.0, 2.0) << step.percent;
      EXPECT_NEAR(800 - w.bottom, 650 * expected.cy / (message ? 1830.0 : 6030.0), 1.0)
          << step.percent;
    }
  }
}

}  // namespace
}  // namespace e2e
