#include "pixel_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "message_notice.hpp"

namespace notice::win32 {
namespace {

TEST(TwipsToPixels, RoundsToTheNearestPixelAndClampsTheUnrepresentable) {
  EXPECT_EQ(twips_to_pixels(8535.0F), 569);
  EXPECT_EQ(twips_to_pixels(1830.0F), 122);
  EXPECT_EQ(twips_to_pixels(7.0F), 0);
  EXPECT_EQ(twips_to_pixels(8.0F), 1);
  EXPECT_EQ(twips_to_pixels(-8.0F), -1);
  EXPECT_EQ(twips_to_pixels(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(twips_to_pixels(std::numeric_limits<float>::infinity()), 1 << 30);
  EXPECT_EQ(twips_to_pixels(-1e30F), -(1 << 30));
}

TEST(NeedsWindowCall, SkipsUnchangedRectanglesAndMovesBeyondTheDesktop) {
  const PixelRect shown{710, 635, 569, 122};
  EXPECT_FALSE(needs_window_call(shown, shown, 1280));
  EXPECT_TRUE(needs_window_call(shown, {711, 635, 569, 122}, 1280));
  EXPECT_TRUE(needs_window_call(shown, {710, 635, 568, 122}, 1280));
  // The move that takes it off the screen is sent; the ones after it are not.
  EXPECT_TRUE(needs_window_call(shown, {1280, 635, 500, 122}, 1280));
  EXPECT_FALSE(needs_window_call({1280, 635, 500, 122}, {5000, 635, 20, 122}, 1280));
  // Coming back into view is sent again.
  EXPECT_TRUE(needs_window_call({5000, 635, 20, 122}, {1279, 635, 20, 122}, 1280));
}

TEST(ElementAt, FindsTheTopmostLabelAndIgnoresImages) {
  const WindowLayout& layout = *message_notice::variant().layout;
  // The close box lies over the title's band and wins.
  EXPECT_EQ(element_at(layout, 542, 2), Element::Label5);
  EXPECT_EQ(element_at(layout, 564, 16), Element::Label5);
  EXPECT_EQ(element_at(layout, 541, 2), Element::lb_titulo);
  EXPECT_EQ(element_at(layout, 0, 16), Element::lb_titulo);
  EXPECT_EQ(element_at(layout, 565, 10), std::nullopt);
  EXPECT_EQ(element_at(layout, 10, 1), std::nullopt);
  // Whole rectangles, not just the letters.
  EXPECT_EQ(element_at(layout, 552, 96), Element::lb_obs);
  EXPECT_EQ(element_at(layout, 553, 90), std::nullopt);
  EXPECT_EQ(element_at(layout, 300, 97), std::nullopt);
  EXPECT_EQ(element_at(layout, 86, 46), Element::lb_mensagem);
  // The information picture covers the whole window but takes no input.
  EXPECT_EQ(element_at(layout, 85, 46), std::nullopt);
  EXPECT_EQ(element_at(layout, 300, 110), std::nullopt);
}

TEST(DirectoryOf, StripsTheFileNameAndKeepsOnlyADriveRootsSeparator) {
  EXPECT_EQ(directory_of(u"C:\\Programas\\Avisos\\OrvaneMessage.exe"), u"C:\\Programas\\Avisos");
  EXPECT_EQ(directory_of(u"C:\\OrvaneMessage.exe"), u"C:\\");
  EXPECT_EQ(directory_of(u"\\\\?\\D:\\OrvaneMessage.exe"), u"\\\\?\\D:\\");
  EXPECT_EQ(directory_of(u"\\\\server\\share\\OrvaneMessage.exe"), u"\\\\server\\share");
  EXPECT_EQ(directory_of(u"Z:/tmp/bin/OrvaneMessage.exe"), u"Z:/tmp/bin");
  const std::u16string deep = u"C:\\" + std::u16string(300, u'a') + u"\\x.exe";
  EXPECT_EQ(directory_of(deep), deep.substr(0, deep.size() - 6));
}

}  // namespace
}  // namespace notice::win32
