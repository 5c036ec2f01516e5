#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "picture_checks.hpp"
#include "text_reference.hpp"

namespace e2e {
namespace {

// The notices drawn at a display's own scale. scripts/test runs this suite with the prefix's dpi
// set to 144 and to 192, on a large screen, and says which through E2E_DPI; without it the suite
// is skipped. Expected pixels come from the twips: 1440 to the inch, halves away from zero.
class DisplayScale : public ::testing::Test {
 protected:
  static int dpi() {
    const char* value = std::getenv("E2E_DPI");
    return value != nullptr ? std::atoi(value) : 0;
  }
  static int px(double twips) { return static_cast<int>(std::lround(twips * dpi() / 1440.0)); }
  // An element's rectangle by its edges, in the window's pixels.
  static RECT element(double left, double top, double width, double height) {
    return {px(left), px(top), px(left + width), px(top + height)};
  }
  // A point of the 96-dpi picture, inside the same feature at this scale.
  static POINT scaled(int x, int y) {
    const double s = dpi() / 96.0;
    return {static_cast<LONG>((x + 0.5) * s), static_cast<LONG>((y + 0.5) * s)};
  }

  static void SetUpTestSuite() {
    if (dpi() > 0) {
      shared_.show(message_program(), notice_argument(L'X', L' ', L"Escala", L"", L""));
    }
  }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override {
    if (dpi() == 0) {
      GTEST_SKIP() << "E2E_DPI not set";
    }
    ASSERT_NE(shared_.get(), nullptr) << shared_.failure();
  }
  static const ShownNotice& notice() { return *shared_.get(); }
  static inline SharedNotice shared_;
};

TEST_F(DisplayScale, KeepsThePhysicalSizeAndTheCorner) {
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi()) << "the prefix runs at another dpi";
  ReleaseDC(nullptr, screen);
  const double screen_width = GetSystemMetrics(SM_CXSCREEN) * 1440.0 / dpi();
  const double screen_height = GetSystemMetrics(SM_CYSCREEN) * 1440.0 / dpi();
  const RECT& w = notice().shown.window;
  EXPECT_EQ(w.left, px(screen_width - 8535 - 15));
  EXPECT_EQ(w.top, px(screen_height - 1830 - 650));
  EXPECT_EQ(width(w), px(8535));
  EXPECT_EQ(height(w), px(1830));

  NoticeProcess print(print_program(), L"XTPagina");
  const HWND window = wait_for_visible_window(print.id(), kWindowTimeout);
  ASSERT_NE(window, nullptr);
  const RECT p = read_window(window).window;
  EXPECT_EQ(width(p), px(3960));
  EXPECT_EQ(height(p), px(6030));
}

// Each text against the test's own drawing of it in the bold font at this scale: the title strip
// up to the close box, right of the picture's mark, and the message line.
TEST_F(DisplayScale, WritesTheTitleAndTheLinesInFontsOfTheDisplaysScale) {
  const auto expect_text = [](const wchar_t* text, RECT box, double points, Rgb under, int from) {
    const InkMask shown =
        notice().image.ink_mask(box.left, box.top, width(box), height(box)).right_part(from);
    const InkMask expected = reference_ink(text, {L"Tahoma", px(points * 20), 700}, width(box),
                                           height(box), Ampersands::as_written, under)
                                 .right_part(from);
    EXPECT_GT(expected.count(), 50);
    EXPECT_LE(best_mismatches(shown, expected), dpi() / 24) << "shown:\n"
                                                            << shown.draw() << "expected:\n"
                                                            << expected.draw();
  };
  expect_text(L"         QuorvixSpoolerX - Aviso Importante", element(0, 30, 8130, 225), 9.75,
              kWarningPicture.band, scaled(11, 0).x);
  expect_text(L"Escala", element(1290, 690, 7005, 225), 8.25, kWarningPicture.body, 0);
}

TEST_F(DisplayScale, DrawsThePictureFromItsSourceAtThisScale) {
  const ScreenImage& image = notice().image;
  const auto expect_colour = [&](POINT at, Rgb colour, const char* what) {
    EXPECT_TRUE(close_to(image.at(at.x, at.y), colour, kColourTolerance))
        << what << " at " << at.x << "," << at.y << " is " << describe(image.at(at.x, at.y));
  };
  expect_colour(scaled(300, 10), kWarningPicture.band, "band");
  expect_colour(scaled(300, 20), kWarningPicture.rule, "rule");
  expect_colour(scaled(26, 19), kWarningPicture.body, "inside the bump");
  expect_colour(scaled(250, 115), kWarningPicture.body, "body");
  expect_colour(scaled(9, 7), Rgb{255, 255, 255}, "header mark");
  expect_colour(scaled(30, 85), Rgb{250, 210, 0}, "triangle");
  expect_colour(scaled(45, 88), Rgb{30, 2, 3}, "mark cut out of the triangle");

  // A picture blown up from the 96-dpi one is made of whole blocks of equal pixels; one drawn
  // at this scale has edges that fall inside them.
  const int block = dpi() / 96;
  if (block < 2) {
    return;
  }
  int split_blocks = 0;
  // The blocks a blown-up picture would have, from the window's corner.
  for (int y = scaled(6, 30).y / block * block; y + block <= scaled(6, 100).y; y += block) {
    for (int x = scaled(6, 30).x / block * block; x + block <= scaled(84, 30).x; x += block) {
      const Rgb first = image.at(x, y);
      bool split = false;
      for (int dy = 0; dy < block; ++dy) {
        for (int dx = 0; dx < block; ++dx) {
          split = split || !close_to(image.at(x + dx, y + dy), first, 24);
        }
      }
      split_blocks += split ? 1 : 0;
    }
  }
  EXPECT_GT(split_blocks, 40) << "the triangle looks blown up from the 96-dpi picture";
}

// Last: it ends the shared notice.
TEST_F(DisplayScale, TheCloseBoxTakesAClickAnywhereOnIt) {
  const RECT box = element(8130, 30, 345, 225);
  const RECT& w = notice().shown.window;
  expect_close_box(notice().image, box);
  click_at(w.left + box.right - 1, w.top + box.bottom - 1);
  EXPECT_EQ(notice().process.wait_for_exit(3s), std::optional<DWORD>{0});
}

}  // namespace
}  // namespace e2e
