#include "timeline.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace bench {
namespace {

constexpr int kDesktopRight = 1280;
constexpr PixelRect kAtOrigin{0, 0, 569, 122};
constexpr PixelRect kResting{710, 635, 569, 122};

Sample window_at(double ms, PixelRect rect, std::optional<int> alpha) {
  Sample sample;
  sample.ms = ms;
  sample.window = true;
  sample.alpha = alpha;
  sample.rect = rect;
  return sample;
}

Sample no_window_at(double ms) {
  Sample sample;
  sample.ms = ms;
  return sample;
}

Sample ended_at(double ms) {
  Sample sample;
  sample.ms = ms;
  sample.exited = true;
  return sample;
}

Timeline replay(const std::vector<Sample>& samples) {
  Timeline timeline(kDesktopRight);
  for (const Sample& sample : samples) {
    timeline.observe(sample);
  }
  return timeline;
}

TEST(Timeline, LaunchFadeAndOpacityAreTheFirstSamplesThatShowThem) {
  const Timeline timeline = replay({
      no_window_at(1.0),
      window_at(2.0, kAtOrigin, std::nullopt),  // created, not layered yet
      window_at(3.0, kAtOrigin, 0),
      window_at(4.0, kResting, 0),
      window_at(5.0, kResting, 3),  // a step or two fall between looks
      window_at(6.0, kResting, 200),
      window_at(7.0, kResting, 255),
      window_at(8.0, kResting, 255),
  });
  EXPECT_EQ(timeline.window_seen, 2.0);
  EXPECT_EQ(timeline.fade_started, 5.0);
  EXPECT_EQ(timeline.first_alpha, 3);
  EXPECT_EQ(timeline.opaque, 7.0);
  EXPECT_FALSE(timeline.slide_started);
  EXPECT_FALSE(timeline.exited);
}

TEST(Timeline, OnlyAMoveAfterOpacityStartsTheSlide) {
  // The notice moves itself into its corner while it loads: that is no slide.
  const Timeline timeline = replay({
      window_at(2.0, kAtOrigin, 0),
      window_at(3.0, kResting, 0),
      window_at(4.0, kResting, 255),
      window_at(10000.0, kResting, 255),
      window_at(10001.0, {712, 635, 569, 122}, 255),
      window_at(10002.0, {760, 635, 565, 122}, 255),
      window_at(10050.0, {1279, 635, 530, 122}, 255),
      window_at(10051.0, {1290, 635, 530, 122}, 255),
      ended_at(10300.0),
  });
  EXPECT_EQ(timeline.slide_started, 10001.0);
  EXPECT_EQ(timeline.off_screen, 10051.0);
  EXPECT_EQ(timeline.exited, 10300.0);
}

TEST(Timeline, AWindowThatVanishesDuringTheSlideIsOffTheScreen) {
  const Timeline timeline = replay({
      window_at(2.0, kResting, 255),
      window_at(3.0, {720, 635, 569, 122}, 255),
      no_window_at(4.0),
      ended_at(5.0),
  });
  EXPECT_EQ(timeline.off_screen, 4.0);
  EXPECT_EQ(timeline.exited, 5.0);
}

TEST(Timeline, AProgramThatEndsWithoutAWindowShowsOnlyItsEnd) {
  const Timeline timeline = replay({no_window_at(1.0), ended_at(2.0)});
  EXPECT_FALSE(timeline.window_seen);
  EXPECT_FALSE(timeline.opaque);
  EXPECT_FALSE(timeline.off_screen);
  EXPECT_EQ(timeline.exited, 2.0);
}

}  // namespace
}  // namespace bench
