#include "painting.hpp"

#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "message_notice.hpp"
#include "picture_ids.h"

namespace notice::win32 {
namespace {

constexpr int kWidth = 569;
constexpr int kHeight = 122;

int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

// The mean difference per channel between the pixels of a picture of the given size and the
// areas of the larger source they cover: 0 for a perfect area average.
double error_against_area_average(int width, int height, const Picture& source,
                                  const std::function<std::uint32_t(int, int)>& shown);

std::uint32_t pixel_of(const Picture& picture, int x, int y) {
  DIBSECTION section{};
  GetObjectW(picture.bitmap.get(), sizeof(section), &section);
  const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
  return bits[y * picture.width + x] & 0x00FFFFFFU;
}

class PaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    PictureDecoder decoder;
    background_ = decoder.decode_resource(PICTURE_MESSAGE_BACKGROUND);
    information_ = decoder.decode_resource(PICTURE_INFORMATION);
    for (const LabelLayout& label : layout_.labels) {
      labels_.push_back(Label{&label, std::wstring(label.text.begin(), label.text.end()),
                              create_font(label.font, scale_)});
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    target_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    dc_.reset(CreateCompatibleDC(nullptr));
    previous_ = SelectObject(dc_.get(), target_.get());
  }
  void TearDown() override {
    SelectObject(dc_.get(), previous_);
    labels_.clear();
    CoUninitialize();
  }

  void set_text(Element id, const wchar_t* text) {
    for (Label& label : labels_) {
      if (label.layout->id == id) label.text = text;
    }
  }
  void paint(bool information_visible) {
    paint_scene(dc_.get(), kWidth, kHeight,
                Scene{layout_, scale_, background_, &information_, information_visible, labels_});
    GdiFlush();
  }
  std::uint32_t at(int x, int y) const {
    return static_cast<const std::uint32_t*>(bits_)[y * kWidth + x] & 0x00FFFFFFU;
  }
  // 0x00RRGGBB as the DIB stores it.
  static bool reddish(std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) > 150 && ((pixel >> 8) & 0xFF) < 90 && (pixel & 0xFF) < 90;
  }

  const WindowLayout& layout_ = *message_notice::variant().layout;
  const PixelScale scale_;
  Picture background_;
  Picture information_;
  std::vector<Label> labels_;
  BitmapPtr target_;
  DcPtr dc_;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

TEST_F(PaintingTest, PicturesAreDecodedAtTheirNaturalSize) {
  EXPECT_EQ(background_.width, 574);
  EXPECT_EQ(background_.height, 128);
  EXPECT_EQ(information_.width, 574);
  EXPECT_EQ(information_.height, 128);
  PictureDecoder decoder;
  EXPECT_THROW(decoder.decode_resource(999), std::runtime_error);
}

TEST_F(PaintingTest, DrawsTheInformationPictureOnlyWhenVisible) {
  paint(false);
  EXPECT_EQ(at(300, 110), pixel_of(background_, 300, 110));
  EXPECT_EQ(at(0, 0), pixel_of(background_, 0, 0));
  EXPECT_EQ(at(568, 121), pixel_of(background_, 568, 121));
  paint(true);
  EXPECT_EQ(at(300, 110), pixel_of(information_, 300, 110));
  EXPECT_EQ(at(40, 60), pixel_of(information_, 40, 60));
}

TEST_F(PaintingTest, TheCloseBoxIsOpaqueWhiteWithADarkRedX) {
  paint(false);
  EXPECT_EQ(at(542, 2), 0xFFFFFFU);
  EXPECT_EQ(at(564, 16), 0xFFFFFFU);
  EXPECT_NE(at(565, 16), 0xFFFFFFU);
  int red = 0;
  for (int y = 2; y < 17; ++y) {
    for (int x = 542; x < 565; ++x) red += reddish(at(x, y)) ? 1 : 0;
  }
  EXPECT_GT(red, 10);
}

TEST_F(PaintingTest, TransparentLabelsDrawOnlyLettersInsideTheirRectangles) {
  set_text(Element::lb_data, L"");
  set_text(Element::lb_mensagem,
           L"WWWWWWWWWW MMMMMMMMMM WWWWWWWWWW MMMMMMMMMM WWWWWWWWWW MMMMMMMMMM");
  set_text(Element::lb_solucao, L"");
  paint(false);
  int changed_in_message = 0;
  for (int x = 86; x < 553; ++x) {
    // An empty transparent label leaves the picture as it is.
    EXPECT_EQ(at(x, 34), pixel_of(background_, x, 34)) << x;
    // The wrapped second line is cut off at the bottom of the message's rectangle.
    EXPECT_EQ(at(x, 61), pixel_of(background_, x, 61)) << x;
    EXPECT_EQ(at(x, 63), pixel_of(background_, x, 63)) << x;
    for (int y = 46; y < 61; ++y) changed_in_message += at(x, y) != pixel_of(background_, x, y);
  }
  EXPECT_GT(changed_in_message, 500);
  // White letters, not a white box.
  EXPECT_NE(at(552, 50), 0xFFFFFFU);
}

double error_against_area_average(int width, int height, const Picture& source,
                                  const std::function<std::uint32_t(int, int)>& shown) {
  const double sx = 1.0 * source.width / width;
  const double sy = 1.0 * source.height / height;
  const auto overlap = [](int a, double from, double to) {
    return std::min(a + 1.0, to) - std::max(1.0 * a, from);
  };
  double error = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int shift : {0, 8, 16}) {
        double sum = 0;
        for (int v = static_cast<int>(y * sy); v < (y + 1) * sy && v < source.height; ++v) {
          for (int u = static_cast<int>(x * sx); u < (x + 1) * sx && u < source.width; ++u) {
            sum += overlap(u, x * sx, (x + 1) * sx) * overlap(v, y * sy, (y + 1) * sy) *
                   channel(pixel_of(source, u, v), shift);
          }
        }
        error += std::abs(sum / (sx * sy) - channel(shown(x, y), shift));
      }
    }
  }
  return error / (3.0 * width * height);
}

TEST_F(PaintingTest, EachDisplayScaleGetsThePictureDrawnForItOrTheNextLargerAveragedDown) {
  PictureDecoder decoder;
  const Picture exact = decoder.decode_for(PICTURE_MESSAGE_BACKGROUND, PixelScale(144));
  EXPECT_EQ(exact.width, 861);
  EXPECT_EQ(exact.height, 192);
  // 115 % lies between the 100 % and 125 % pictures: the larger one, shrunk by averaging.
  const Picture source = decoder.decode_resource(PICTURE_SCALED(PICTURE_MESSAGE_BACKGROUND, 125));
  const Picture shown = decoder.decode_for(PICTURE_MESSAGE_BACKGROUND, PixelScale(110));
  ASSERT_EQ(shown.width, 658);
  ASSERT_EQ(shown.height, 147);
  const double averaged = error_against_area_average(
      658, 147, source, [&](int x, int y) { return pixel_of(shown, x, y); });
  // Picking the nearest source pixel instead, as a replicating scaler does.
  const double picked = error_against_area_average(658, 147, source, [&](int x, int y) {
    return pixel_of(source, (x * 718 + 359) / 658, (y * 160 + 80) / 147);
  });
  EXPECT_LT(averaged, picked / 2) << averaged << " against " << picked;
  // Beyond the largest scale the largest is enlarged.
  const Picture enlarged = decoder.decode_for(PICTURE_MESSAGE_BACKGROUND, PixelScale(336));
  EXPECT_EQ(enlarged.width, 2009);
  EXPECT_EQ(enlarged.height, 448);
}

}  // namespace
}  // namespace notice::win32
