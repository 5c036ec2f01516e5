#include <gtest/gtest.h>

#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"

namespace notice {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

std::u16string field(std::u16string_view text) {
  std::u16string padded(text);
  padded.resize(65, u' ');
  return padded;
}

class Load : public ::testing::Test {
 protected:
  FakePlatform platform;
  Frm_principal form{platform, message_notice::variant()};
};

TEST_F(Load, EmptyArgumentEndsBeforeTheWindowIsTouched) {
  platform.command = u"";
  EXPECT_THROW(form.load(), ProgramEnded);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"command_text", "end_program"}));
}

TEST_F(Load, FillsTheWindowInOrder) {
  platform.command = u"IT" + field(u"Impressora sem papel") + field(u"Coloque papel") + u"Obs";
  form.load();
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{
                "command_text",
                "current_time",
                "current_date",
                "set_label_text lb_data Mensagem transmitida as 14:05:09 de 08/12/2026",
                "set_label_text lb_mensagem " + testing::narrow(field(u"Impressora sem papel")),
                "set_label_text lb_solucao " + testing::narrow(field(u"Coloque papel")),
                "set_label_text lb_obs Obs",
                "screen_size",
                "window_width",
                "set_window_left 10650",
                "window_height",
                "set_window_top 9520",
                "set_timer_enabled Timer1 true",
                "set_image_visible IMG_INFO true",
                "tick_count_ms",
                "message_duration_ms",
                "presence",
                "watch_presence true",
            }));
}

TEST_F(Load, OneCharacterTestsAreExactAndCaseSensitive) {
  struct Case {
    std::u16string command;
    bool picture;
    bool timer;
  };
  const Case cases[] = {
      {u"I", true, false},   {u"IT", true, true},   {u"XT text", false, true},
      {u"it", false, false}, {u"iT", false, true},  {u"It", true, false},
      {u" T", false, true},  {u"TI", false, false}, {u"\"IT\"", false, false},
  };
  for (const Case& c : cases) {
    FakePlatform fresh;
    Frm_principal fresh_form{fresh, message_notice::variant()};
    fresh.command = c.command;
    fresh_form.load();
    SCOPED_TRACE(testing::narrow(c.command));
    EXPECT_EQ(fresh.images.at(Element::IMG_INFO), c.picture);
    EXPECT_EQ(fresh.timers.at(Element::Timer1), c.timer);
  }
}

TEST_F(Load, OneCharacterArgumentEmptiesTheTextsButStillDatesTheNotice) {
  platform.command = u"I";
  form.load();
  EXPECT_EQ(platform.labels.at(Element::lb_data),
            u"Mensagem transmitida as 14:05:09 de 08/12/2026");
  EXPECT_EQ(platform.labels.at(Element::lb_mensagem), u"");
  EXPECT_EQ(platform.labels.at(Element::lb_solucao), u"");
  EXPECT_EQ(platform.labels.at(Element::lb_obs), u"");
}

TEST_F(Load, PlacesTheWindowByTheWholeScreenWithFixedMargins) {
  platform.command = u"X";
  platform.screen = {1024 * 15.0F, 768 * 15.0F};
  form.load();
  EXPECT_EQ(platform.left, 1024 * 15.0F - 8535 - 15);
  EXPECT_EQ(platform.top, 768 * 15.0F - 1830 - 650);

  // A screen smaller than the window pushes it off the top-left edge rather than clamping it.
  platform.screen = {300 * 15.0F, 100 * 15.0F};
  form.load();
  EXPECT_EQ(platform.left, 4500.0F - 8550);
  EXPECT_EQ(platform.top, 1500.0F - 2480);
}

TEST_F(Load, FailureOfThePlatformWhileFillingIsNotCaught) {
  platform.command = u"XT";
  platform.fail_on = "set_label_text";
  EXPECT_THROW(form.load(), std::runtime_error);
}

}  // namespace
}  // namespace notice
