#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "contrast_theme.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"

namespace e2e {
namespace {

Rgb rgb(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }
bool is_theme_ink(Rgb c) { return c.r >= 128 && c.g >= 128 && c.b == 0; }

// What a person sees of each notice in the theme, in its pixels: the rule under the title strip,
// the close box, and the ink of what the picture told (the sign left of the lines, or the print
// notice's words) where the picture has it, found in an area clear of the labels.
struct Look {
  const char* name;
  std::wstring program;
  wchar_t kind;
  int rule_row;
  RECT close_box;
  RECT search, told;
  POINT ink, no_ink;  // a triangle reaches the bottom-left corner, a circle the left side
};
const Look kWarning{"OrvaneMessage",  message_program(), L'X',    20,     {542, 2, 565, 17},
                    {1, 22, 86, 121}, {6, 30, 84, 101},  {9, 99}, {9, 64}};
const Look kInformation{"OrvaneMessage-info", message_program(), L'I',    20,     {542, 2, 565, 17},
                        {1, 22, 86, 121},     {8, 29, 77, 99},   {9, 64}, {9, 99}};
// The words in Tahoma, a little narrower and taller than the picture's letters (x 50-215,
// y 173-252).
const Look kPrint{"OrvanePag",        print_program(),     L'X',      24,       {236, 4, 259, 19},
                  {1, 110, 263, 400}, {52, 173, 212, 256}, {61, 230}, {61, 270}};

std::wstring sample(wchar_t kind) {
  return notice_argument(kind, L' ', L"Impressora sem papel", L"Coloque papel na bandeja 2",
                         L"Chamado 1234");
}

void keep(const ScreenImage& image, const std::string& name) {
  if (const char* folder = std::getenv("E2E_SCREENSHOTS"); folder != nullptr) {
    image.save(std::string(folder) + "/" + name + ".ppm");
  }
}

// Nothing but the theme's colours: window, text and their blends outside the close box, the
// frame and the rule in the text colour, a button for the close box, and the picture's message.
void expect_in_theme(const ScreenImage& image, const Look& look) {
  SCOPED_TRACE(look.name);
  int off_theme = 0;
  int off_frame = 0;
  RECT ink{image.width(), image.height(), 0, 0};
  for (LONG y = 0; y < image.height(); ++y) {
    for (LONG x = 0; x < image.width(); ++x) {
      const Rgb c = image.at(x, y);
      const POINT p{x, y};
      const bool edge = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
      off_frame += (edge || y == look.rule_row) && !(c == rgb(ContrastTheme::kWindowText));
      if (PtInRect(&look.close_box, p) == FALSE) {
        off_theme += c.b != 0 || std::abs(c.r - c.g) > 2;
      }
      if (PtInRect(&look.search, p) != FALSE && is_theme_ink(c)) {
        ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1L),
               std::max(ink.bottom, y + 1L)};
      }
    }
  }
  EXPECT_EQ(off_theme, 0);
  EXPECT_EQ(off_frame, 0);
  const RECT& box = look.close_box;
  EXPECT_EQ(image.at(box.left, box.top), rgb(ContrastTheme::kButtonText));
  EXPECT_EQ(image.at(box.right - 1, box.bottom - 1), rgb(ContrastTheme::kButtonText));
  EXPECT_EQ(image.at(box.left + 1, box.top + 1), rgb(ContrastTheme::kButtonFace));
  EXPECT_GT(image.count(box.left + 1, box.top + 1, width(box) - 2, height(box) - 2,
                        [](Rgb c) { return c.r > 200 && c.b > 200; }),
            10);
  EXPECT_NEAR(ink.left, look.told.left, 4);
  EXPECT_NEAR(ink.top, look.told.top, 4);
  EXPECT_NEAR(ink.right, look.told.right, 4);
  EXPECT_NEAR(ink.bottom, look.told.bottom, 4);
  EXPECT_TRUE(is_theme_ink(image.at(look.ink.x, look.ink.y)));
  EXPECT_EQ(image.at(look.no_ink.x, look.no_ink.y), rgb(ContrastTheme::kWindow));
  // The labels, in the text colour.
  EXPECT_GT(image.count(0, 2, look.close_box.left, 15, is_theme_ink), 100);
}

TEST(ContrastTheme, EachNoticeStartedInAThemeShowsItsColoursAndNoPicture) {
  ContrastTheme theme;
  theme.set(true, nullptr);
  for (const Look* look : {&kWarning, &kInformation, &kPrint}) {
    bool let_in = false;
    const ShownNotice notice = show_notice(
        look->program, sample(look->kind),
        {.before_start = [&](HANDLE process) { let_in = ContrastTheme::let_in(process); }});
    ASSERT_TRUE(let_in);
    expect_in_theme(notice.image, *look);
    keep(notice.image, std::string(look->name) + "-contrast");
  }
}

// Both ways while the notice shows; switched off, it is again exactly as it was.
TEST(ContrastTheme, SwitchedOnAndOffWhileANoticeShows) {
  for (const Look* look : {&kWarning, &kPrint}) {
    ContrastTheme theme;
    const ShownNotice notice = show_notice(look->program, sample(look->kind));
    ASSERT_TRUE(ContrastTheme::let_in(notice.process.handle()));
    theme.set(true, notice.window);
    const auto frame_is = [&](COLORREF colour) {
      return ScreenImage::capture(read_window(notice.window).window).at(0, 60) == rgb(colour);
    };
    EXPECT_TRUE(wait_until([&] { return frame_is(ContrastTheme::kWindowText); }, 5s));
    const ScreenImage on = settled_image(notice.window);
    expect_in_theme(on, *look);
    keep(on, std::string(look->name) + "-contrast-on");
    theme.set(false, notice.window);
    EXPECT_TRUE(wait_until([&] { return settled_image(notice.window) == notice.image; }, 5s));
    keep(settled_image(notice.window), std::string(look->name) + "-contrast-off");
  }
}

}  // namespace
}  // namespace e2e
