#include "slide_geometry.hpp"

#include <gtest/gtest.h>

namespace bench {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;

// The step at which the window first lies wholly beyond the right edge of the screen.
long long steps_until_beyond(long long width, long long height) {
  const TwipRect start = resting_place(kScreenWidth, kScreenHeight, width, height);
  for (long long step = 1; step <= width; ++step) {
    if (to_pixels(slide_step(start, step)).x >= kScreenWidth) {
      return step;
    }
  }
  return -1;
}

TEST(Placement, RestsInTheBottomRightCornerAsTheNoticesDo) {
  // Message notice, 8535 x 1830 twips; print notice, 3960 x 6030.
  EXPECT_EQ(to_pixels(resting_place(kScreenWidth, kScreenHeight, 8535, 1830)),
            (PixelRect{710, 635, 569, 122}));
  EXPECT_EQ(to_pixels(resting_place(kScreenWidth, kScreenHeight, 3960, 6030)),
            (PixelRect{1015, 355, 264, 402}));
  EXPECT_EQ(to_pixels(resting_place(1024, 768, 8535, 1830)), (PixelRect{454, 603, 569, 122}));
}

TEST(Placement, RoundsTwipsToTheNearestPixel) {
  EXPECT_EQ(twips_to_pixels(7), 0);
  EXPECT_EQ(twips_to_pixels(8), 1);
  EXPECT_EQ(twips_to_pixels(22), 1);
  EXPECT_EQ(twips_to_pixels(23), 2);
  EXPECT_EQ(twips_to_pixels(-8), -1);
}

TEST(Slide, EachStepIsOneTwipNarrowerAndMovesFurtherThanTheLast) {
  const TwipRect start{1000, 500, 8535, 1830};
  EXPECT_EQ(slide_step(start, 1), (TwipRect{1001, 500, 8535, 1830}));
  EXPECT_EQ(slide_step(start, 2), (TwipRect{1003, 500, 8534, 1830}));
  EXPECT_EQ(slide_step(start, 3), (TwipRect{1006, 500, 8533, 1830}));
  EXPECT_EQ(slide_step(start, 8535), (TwipRect{1000 + 8535LL * 8536 / 2, 500, 1, 1830}));
}

TEST(Slide, LeavesA1280PixelScreenAfterAsManyStepsAsTheNotices) {
  EXPECT_EQ(steps_until_beyond(8535, 1830), 131);
  EXPECT_EQ(steps_until_beyond(3960, 6030), 89);
}

TEST(Slide, CallsTheSystemOnlyForAChangeThatCanBeSeen) {
  const PixelRect visible{700, 600, 569, 122};
  const PixelRect moved{701, 600, 569, 122};
  const PixelRect beyond{1280, 600, 560, 122};
  const PixelRect further{1400, 600, 550, 122};
  EXPECT_FALSE(needs_window_call(visible, visible, 1280));
  EXPECT_TRUE(needs_window_call(visible, moved, 1280));
  // The step that takes it off the desktop is still sent; none after it.
  EXPECT_TRUE(needs_window_call(visible, beyond, 1280));
  EXPECT_FALSE(needs_window_call(beyond, further, 1280));
}

}  // namespace
}  // namespace bench
