#include "picture_checks.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "notice_layout.hpp"

namespace e2e {
namespace {

struct Point {
  int x;
  int y;
};

// Points clear of the marks, watermarks, title and labels of both pictures.
constexpr Point kBandPoints[] = {{100, 0}, {300, 1}, {450, 18}, {4, 18}, {566, 9}};
constexpr Point kRulePoints[] = {{50, 20}, {200, 20}, {400, 20}, {566, 20}};
constexpr Point kBodyPoints[] = {{200, 24}, {120, 105}, {200, 110}, {566, 118}};

void expect_colour_at(const ScreenImage& image, Point p, Rgb expected, const char* what) {
  const Rgb actual = image.at(p.x, p.y);
  EXPECT_TRUE(close_to(actual, expected, kColourTolerance))
      << what << " at " << p.x << "," << p.y << " is " << describe(actual) << ", expected "
      << describe(expected);
}

bool is_near_white(Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; }
bool is_dark_red(Rgb c) { return close_to(c, Rgb{192, 0, 0}, 40); }
// Anti-aliased edges of the letter lie between white and dark red: red stays high, green and
// blue fall together.
bool is_white_or_dark_red(Rgb c) { return c.r >= 170 && std::abs(c.g - c.b) <= 30; }

}  // namespace

void expect_picture(const ScreenImage& image, const PictureColours& picture) {
  SCOPED_TRACE(picture.name);
  ASSERT_EQ(image.width(), kNoticeWidth);
  ASSERT_EQ(image.height(), kNoticeHeight);
  for (const Point p : kBandPoints) {
    expect_colour_at(image, p, picture.band, "header band");
  }
  for (const Point p : kRulePoints) {
    expect_colour_at(image, p, picture.rule, "rule");
  }
  for (const Point p : kBodyPoints) {
    expect_colour_at(image, p, picture.body, "body");
  }
}

void expect_title(const ScreenImage& image, const PictureColours& picture) {
  SCOPED_TRACE(picture.name);
  const int top = kTitleStrip.top;
  const int rows = kTitleStrip.bottom - kTitleStrip.top;
  int off_band = 0;
  std::string first;
  for (int y = top; y < top + rows; ++y) {
    for (int x = 0; x < kMarkLeft; ++x) {
      if (!close_to(image.at(x, y), picture.band, kColourTolerance)) {
        if (off_band++ == 0) {
          first = std::to_string(x) + "," + std::to_string(y) + " " + describe(image.at(x, y));
        }
      }
    }
  }
  EXPECT_EQ(off_band, 0) << "pixels left of the mark that are not the band colour, first "
                         << first;
  EXPECT_TRUE(is_ink(image.at(9, 10))) << "the picture's mark at 9,10 is "
                                       << describe(image.at(9, 10));
  const int letters =
      image.count(kMarkRight, top, kCloseBox.left - kMarkRight, rows, is_ink);
  EXPECT_GE(letters, 60) << "white title letters right of the mark";
}

void expect_close_box(const ScreenImage& image) { expect_close_box(image, kCloseBox); }

void expect_close_box(const ScreenImage& image, const RECT& box) {
  const int w = box.right - box.left;
  const int h = box.bottom - box.top;
  const int all = w * h;
  EXPECT_EQ(image.count(box.left, box.top, w, h, is_white_or_dark_red), all)
      << "every pixel of the close box is white or its dark-red letter";
  const int white = image.count(box.left, box.top, w, h, is_near_white);
  const int letter = all - white;
  const int letter_core = image.count(box.left, box.top, w, h, is_dark_red);
  EXPECT_GE(white, all * 3 / 4) << "white box background";
  EXPECT_GE(letter, 15) << "the X letter";
  EXPECT_GE(letter_core, 3) << "the X letter's dark red (192,0,0)";
  // The letter is centred: about as much of it on each half of the box.
  const int left_half = w / 2 * h - image.count(box.left, box.top, w / 2, h, is_near_white);
  EXPECT_GT(left_half, letter / 4);
  EXPECT_LT(left_half, letter * 3 / 4);
}

}  // namespace e2e
