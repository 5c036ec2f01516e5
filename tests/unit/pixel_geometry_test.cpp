#include "pixel_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frm_principal.hpp"
#include "message_notice.hpp"

namespace notice::win32 {
namespace {

TEST(TwipsToPixels, RoundsToTheNearestPixelAndClampsTheUnrepresentable) {
  const PixelScale scale;
  EXPECT_EQ(scale.pixels(8535.0F), 569);
  EXPECT_EQ(scale.pixels(1830.0F), 122);
  EXPECT_EQ(scale.pixels(7.0F), 0);
  EXPECT_EQ(scale.pixels(8.0F), 1);
  EXPECT_EQ(scale.pixels(-8.0F), -1);
  EXPECT_EQ(scale.pixels(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(scale.pixels(std::numeric_limits<float>::infinity()), 1 << 30);
  EXPECT_EQ(scale.pixels(-1e30F), -(1 << 30));
}

// What the message notice becomes at each common display scale: the window, the close box and
// the remarks line, and the title's font.
TEST(PixelScale, MapsTheLayoutAtEveryCommonDpi) {
  struct Expected {
    int dpi;
    PixelRect window, close_box, remarks;
    int title_font;
  };
  const Expected table[] = {
      {96, {710, 635, 569, 122}, {542, 2, 23, 15}, {86, 82, 467, 15}, -13},
      {120, {888, 794, 711, 153}, {678, 3, 28, 18}, {108, 103, 583, 18}, -16},
      {144, {1065, 953, 854, 183}, {813, 3, 35, 23}, {129, 123, 701, 23}, -20},
      {168, {1243, 1111, 996, 214}, {949, 4, 40, 26}, {151, 144, 817, 26}, -23},
      {192, {1420, 1270, 1138, 244}, {1084, 4, 46, 30}, {172, 164, 934, 30}, -26},
      {240, {1775, 1588, 1423, 305}, {1355, 5, 58, 38}, {215, 205, 1168, 38}, -33},
      {288, {2130, 1905, 1707, 366}, {1626, 6, 69, 45}, {258, 246, 1401, 45}, -39},
  };
  const WindowLayout& layout = *message_notice::variant().layout;
  for (const Expected& e : table) {
    SCOPED_TRACE(e.dpi);
    const PixelScale scale(e.dpi);
    EXPECT_EQ(scale.window({10650, 9525, layout.width, layout.height}), e.window);
    EXPECT_EQ(scale.element(layout.labels[0].rect), e.close_box);
    EXPECT_EQ(scale.element(layout.labels[1].rect), e.remarks);
    EXPECT_EQ(scale.font_height(layout.labels.back().font.points), e.title_font);
    EXPECT_FLOAT_EQ(scale.twips(scale.dpi()), 1440.0F);
    // The far corner of the close box is the last pixel that reaches it.
    const PixelRect& box = e.close_box;
    EXPECT_EQ(element_at(layout, scale, box.x + box.width - 1, box.y + box.height - 1),
              Element::Label5);
    EXPECT_EQ(element_at(layout, scale, box.x - 1, box.y), Element::lb_titulo);
  }
}

TEST(PixelScale, EdgesMeetWhereTheTwipsMeetAndNonsenseIsTheLayoutsOwnDpi) {
  const PixelScale scale(144);  // ten twips a pixel: every odd five twips is a half pixel
  const PixelRect left = scale.element({5, 0, 10, 10});
  const PixelRect right = scale.element({15, 0, 10, 10});
  EXPECT_EQ(left.x + left.width, right.x);
  // Nonsense from another program is read as the layouts' own dpi.
  EXPECT_EQ(PixelScale(0).dpi(), 96);
  EXPECT_EQ(PixelScale(65535).dpi(), 96);
}

// The text size is one more factor of the same scale; the notice in its corner, margins included,
// never grows past the screen (1280 x 800 here), and never shrinks below the display's own scale.
TEST(NoticeScale, MultipliesTheDisplaysScaleByTheTextSizeAsFarAsTheCornerFits) {
  const struct {
    int dpi, percent;
    PixelRect message, print;
  } table[] = {
      {96, 125, {0, 0, 711, 153}, {0, 0, 330, 503}},
      {96, 150, {0, 0, 854, 183}, {0, 0, 396, 603}},
      {120, 150, {0, 0, 1067, 229}, {0, 0, 473, 720}},
      // 1280.25 pixels wide: 215 dpi is the largest at which it and its margin fit; the print
      // notice with its 650 twips above the task bar reaches the top at 172.
      {96, 225, {0, 0, 1274, 273}, {0, 0, 473, 720}},
      {192, 150, {0, 0, 1274, 273}, {0, 0, 528, 804}},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(testing::Message() << e.dpi << " dpi, " << e.percent << " %");
    EXPECT_EQ(
        notice_scale(e.dpi, e.percent, {0, 0, 8535 + kRightMargin, 1830 + kBottomMargin}, 1280, 800)
            .window({0, 0, 8535, 1830}),
        e.message);
    EXPECT_EQ(
        notice_scale(e.dpi, e.percent, {0, 0, 3960 + kRightMargin, 6030 + kBottomMargin}, 1280, 800)
            .window({0, 0, 3960, 6030}),
        e.print);
  }
  EXPECT_EQ(notice_scale(96, 225, {0, 0, 8550, 2480}, 0, 0).dpi(), 96);
  EXPECT_EQ(notice_scale(0, -5, {0, 0, 8550, 2480}, 1280, 800).dpi(), 96);
  // What the system stores: nothing counts as 100, the rest is brought into 100 to 225.
  EXPECT_EQ(text_size_percent(std::nullopt), 100);
  EXPECT_EQ(text_size_percent(99), 100);
  EXPECT_EQ(text_size_percent(0xFFFFFFFF), 225);
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
  const PixelScale scale;
  // The close box lies over the title's band and wins.
  EXPECT_EQ(element_at(layout, scale, 542, 2), Element::Label5);
  EXPECT_EQ(element_at(layout, scale, 564, 16), Element::Label5);
  EXPECT_EQ(element_at(layout, scale, 541, 2), Element::lb_titulo);
  EXPECT_EQ(element_at(layout, scale, 0, 16), Element::lb_titulo);
  EXPECT_EQ(element_at(layout, scale, 565, 10), std::nullopt);
  EXPECT_EQ(element_at(layout, scale, 10, 1), std::nullopt);
  // Whole rectangles, not just the letters.
  EXPECT_EQ(element_at(layout, scale, 552, 96), Element::lb_obs);
  EXPECT_EQ(element_at(layout, scale, 553, 90), std::nullopt);
  EXPECT_EQ(element_at(layout, scale, 300, 97), std::nullopt);
  EXPECT_EQ(element_at(layout, scale, 86, 46), Element::lb_mensagem);
  // The information picture covers the whole window but takes no input.
  EXPECT_EQ(element_at(layout, scale, 85, 46), std::nullopt);
  EXPECT_EQ(element_at(layout, scale, 300, 110), std::nullopt);
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
