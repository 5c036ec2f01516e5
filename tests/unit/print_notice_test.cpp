#include "print_notice.hpp"

#include <gtest/gtest.h>

#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"

namespace notice {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

class PrintNotice : public ::testing::Test {
 protected:
  FakePlatform platform;
  Frm_principal form{platform, print_notice::variant()};

  PrintNotice() {
    platform.width = 3960;
    platform.height = 6030;
  }
};

TEST_F(PrintNotice, DatesTheLineDateFirstAndNeverShowsAPicture) {
  platform.command = u"IT" + std::u16string(65, u'm') + u"s";
  form.load();
  EXPECT_EQ(platform.labels.at(Element::lb_data), u"08/12/2026 : 14:05:09");
  EXPECT_EQ(platform.labels.at(Element::lb_mensagem), std::u16string(65, u'm'));
  EXPECT_EQ(platform.labels.at(Element::lb_solucao), u"s");
  EXPECT_TRUE(platform.images.empty());
  EXPECT_TRUE(platform.calls_named({"set_image_visible"}).empty());
  EXPECT_EQ(platform.timers.at(Element::Timer1), true);
  EXPECT_EQ(platform.left, 19200.0F - 3960 - 15);
  EXPECT_EQ(platform.top, 12000.0F - 6030 - 650);
}

TEST_F(PrintNotice, PlaysItsOwnSoundAndSlidesOutIn3960Steps) {
  platform.command = u"XT";
  form.initialise();
  form.load();
  form.activate();
  ASSERT_EQ(platform.sounds.size(), 1U);
  EXPECT_EQ(platform.sounds[0], u"C:\\Avisos\\ctrl\\imprimindo.wav");

  const int pumps_before = platform.pumps;
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
  EXPECT_EQ(platform.pumps - pumps_before, 3960);
  EXPECT_EQ(platform.width, 1.0F);
}

TEST(Layouts, EveryPlaceIsAWholePixelAndTheXBoxLiesInsideTheWindow) {
  for (const Variant* variant : {&message_notice::variant(), &print_notice::variant()}) {
    const WindowLayout& layout = *variant->layout;
    const LabelLayout& close = layout.labels.front();
    EXPECT_EQ(close.id, Element::Label5);
    EXPECT_LE(close.rect.left + close.rect.width, layout.width);
    EXPECT_EQ(static_cast<int>(layout.width) % 15, 0);
    EXPECT_EQ(static_cast<int>(layout.height) % 15, 0);
    for (const LabelLayout& label : layout.labels) {
      for (const float v : {label.rect.left, label.rect.top, label.rect.width, label.rect.height}) {
        EXPECT_EQ(static_cast<int>(v) % 15, 0) << testing::element_name(label.id);
      }
    }
  }
}

}  // namespace
}  // namespace notice
