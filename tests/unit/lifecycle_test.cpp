#include <gtest/gtest.h>

#include <cstdint>

#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"
#include "mod_geral.hpp"

namespace notice {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

TEST(TransAlpha, WritesTheLayeredStyleEveryTimeThenTheAlpha) {
  FakePlatform platform;
  platform.ex_style = 0x00000080;  // an unrelated bit is kept
  const WindowHandle window = 0x42;
  const std::int16_t alpha = 200;
  mod_geral::transAlpha(platform, window, alpha);
  mod_geral::transAlpha(platform, window, alpha);
  EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                "get_window_long 66 -20",
                                "set_window_long 66 -20 524416",
                                "set_layered_window_attributes 66 0 200 2",
                                "get_window_long 66 -20",
                                "set_window_long 66 -20 524416",
                                "set_layered_window_attributes 66 0 200 2",
                            }));
  EXPECT_EQ(alpha, 200);
}

TEST(TransAlpha, OutOfRangeAlphaLeavesTheWindowLayeredAndTheAlphaAsItWas) {
  for (const std::int16_t bad : {std::int16_t{256}, std::int16_t{-1}, std::int16_t{32767}}) {
    FakePlatform platform;
    platform.alpha = 17;
    const WindowHandle window = 1;
    mod_geral::transAlpha(platform, window, bad);
    EXPECT_EQ(platform.ex_style, kWsExLayered);
    EXPECT_EQ(platform.alpha, 17);
    EXPECT_TRUE(platform.calls_named({"set_layered_window_attributes"}).empty());
  }
}

TEST(TransAlpha, SwallowsPlatformFailures) {
  FakePlatform platform;
  platform.fail_on = "set_window_long";
  const WindowHandle window = 1;
  const std::int16_t alpha = 5;
  EXPECT_NO_THROW(mod_geral::transAlpha(platform, window, alpha));
  EXPECT_FALSE(platform.alpha.has_value());
}

class Lifecycle : public ::testing::Test {
 protected:
  FakePlatform platform;
  Frm_principal form{platform, message_notice::variant()};

  void start(std::u16string command) {
    platform.command = std::move(command);
    form.initialise();
    form.load();
  }
};

TEST_F(Lifecycle, InitialiseMakesTheWindowInvisibleBeforeLoad) {
  form.initialise();
  EXPECT_EQ(platform.ex_style, kWsExLayered);
  EXPECT_EQ(platform.alpha, 0);
}

TEST_F(Lifecycle, ActivationFadesInThenRaisesThenPlaysTheSoundOnce) {
  start(u"XT");
  platform.calls.clear();
  form.activate();

  const auto alphas = platform.calls_named({"set_layered_window_attributes"});
  ASSERT_EQ(alphas.size(), 256U);
  EXPECT_EQ(alphas.front(), "set_layered_window_attributes 4660 0 0 2");
  EXPECT_EQ(alphas.back(), "set_layered_window_attributes 4660 0 255 2");
  EXPECT_EQ(platform.pumps, 256);
  // The handle is read afresh on every step of the fade, and once more each to show and raise.
  EXPECT_EQ(platform.calls_named({"window_handle"}).size(), 258U);

  const auto tail =
      platform.calls_named({"pump_messages", "set_window_pos", "program_directory", "play_sound"});
  ASSERT_GE(tail.size(), 3U);
  EXPECT_EQ(tail[tail.size() - 4], "pump_messages");
  EXPECT_EQ(tail[tail.size() - 3], "set_window_pos 4660 -1 0 0 0 0 19");
  EXPECT_EQ(tail[tail.size() - 2], "program_directory");
  EXPECT_EQ(tail.back(), "play_sound C:\\Avisos\\ctrl\\aviso.wav 1");
  EXPECT_TRUE(platform.topmost);

  // Later activations neither fade again nor replay the sound.
  platform.calls.clear();
  form.activate();
  form.activate();
  EXPECT_TRUE(platform.calls.empty());
}

// Another program activating the window while it fades: the fade goes on, one sound.
TEST_F(Lifecycle, ActivationsDuringTheFadeDoNothing) {
  start(u"X");
  platform.calls.clear();
  int activations = 0;
  platform.on_pump = [&](int pump) {
    if (pump % 40 == 0 && ++activations <= 6) {
      form.activate();
    }
  };
  form.activate();
  const auto alphas = platform.calls_named({"set_layered_window_attributes"});
  ASSERT_EQ(alphas.size(), 256U);
  EXPECT_EQ(alphas.back(), "set_layered_window_attributes 4660 0 255 2");
  // Shown once (no frame, no move, no activation), raised once.
  EXPECT_EQ(platform.calls_named({"set_window_pos"}),
            (std::vector<std::string>{"set_window_pos 4660 0 0 0 0 0 87",
                                      "set_window_pos 4660 -1 0 0 0 0 19"}));
  EXPECT_EQ(platform.sounds.size(), 1U);
}

// "Show animations" off, from the start or from the hundredth step: opaque at once, then raised
// and sounded as ever; at the period's end, hidden at once and ended.
TEST(NoMotion, TheNoticeAppearsAndLeavesInOneStep) {
  for (const int off_from : {0, 100}) {
    FakePlatform platform;
    Frm_principal form{platform, message_notice::variant()};
    platform.on_pump = [&](int pump) { platform.motion = pump < off_from; };
    platform.motion = off_from > 0;
    form.activate();
    EXPECT_EQ(platform.calls_named({"set_layered_window_attributes"}).size(), off_from + 1U);
    EXPECT_TRUE(platform.alpha == 255 && platform.topmost && platform.sounds.size() == 1);
    platform.calls.clear();
    platform.pumps = 0;
    platform.motion = off_from > 0;
    EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
    EXPECT_EQ(platform.calls_named({"set_window_width", "set_window_pos"}).size(), off_from + 1U);
    EXPECT_EQ(platform.calls_named({"set_window_pos"}).back(), "set_window_pos 4660 0 0 0 0 0 151");
  }
}

TEST_F(Lifecycle, ClickOnXDuringTheFadeEndsBeforeTheSound) {
  start(u"X");
  platform.on_pump = [this](int pump) {
    if (pump == 100) {
      form.click(Element::Label5);
    }
  };
  EXPECT_THROW(form.activate(), ProgramEnded);
  EXPECT_EQ(platform.alpha, 99);
  EXPECT_TRUE(platform.sounds.empty());
  EXPECT_FALSE(platform.topmost);
}

TEST_F(Lifecycle, OnlyTheXLabelAndTheTitleEndTheProgram) {
  start(u"X");
  EXPECT_NO_THROW(form.click(Element::lb_titulo));
  EXPECT_NO_THROW(form.click(Element::lb_obs));
  EXPECT_NO_THROW(form.double_click(Element::Label5));
  EXPECT_NO_THROW(form.double_click(Element::lb_data));
  EXPECT_THROW(form.double_click(Element::lb_titulo), ProgramEnded);
  EXPECT_THROW(form.click(Element::Label5), ProgramEnded);
}

TEST_F(Lifecycle, FailedActivationIsClearedAndRunsAgainLater) {
  start(u"X");
  platform.fail_on = "set_window_pos";
  platform.on_pump = [this](int) { form.activate(); };
  EXPECT_NO_THROW(form.activate());
  EXPECT_TRUE(platform.sounds.empty());
  platform.on_pump = nullptr;

  platform.fail_on.clear();
  platform.calls.clear();
  form.activate();
  EXPECT_EQ(platform.calls_named({"set_layered_window_attributes"}).size(), 256U);
  EXPECT_EQ(platform.sounds.size(), 1U);
}

TEST_F(Lifecycle, SoundFileBesideARootProgramDirectoryHasOneSeparator) {
  start(u"X");
  platform.directory = u"D:\\";
  form.activate();
  ASSERT_EQ(platform.sounds.size(), 1U);
  EXPECT_EQ(platform.sounds[0], u"D:\\ctrl\\aviso.wav");
}

TEST_F(Lifecycle, TickDisablesTheTimerFirstThenSlidesOutAndEnds) {
  start(u"XT");
  platform.calls.clear();
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
  ASSERT_GE(platform.calls.size(), 4U);
  EXPECT_EQ(platform.calls[0], "presence");  // someone is still there
  EXPECT_EQ(platform.calls[1], "set_timer_enabled Timer1 false");
  EXPECT_EQ(platform.calls.back(), "end_program");
  EXPECT_EQ(platform.pumps, 8535);
}

TEST_F(Lifecycle, ClickDuringTheSlideEndsIt) {
  start(u"XT");
  platform.on_pump = [this](int pump) {
    if (pump == 50) {
      form.click(Element::Label5);
    }
  };
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
  EXPECT_EQ(platform.pumps, 50);
  EXPECT_EQ(platform.width, 8535.0F - 49);
}

// Sum of 1..n added one step at a time in single precision, as the window does.
float single_precision_slide(float left, int steps) {
  for (std::int16_t step = 1; step <= steps; ++step) {
    left = left + static_cast<float>(step);
  }
  return left;
}

// Placed again by the load rule at the new screen size, until the slide begins: from then on
// neither the display nor the window's place is touched, and the slide runs to its end.
TEST_F(Lifecycle, ADisplayChangePlacesTheNoticeAgainUntilTheSlideBegins) {
  start(u"XT");
  platform.screen = {1024 * 15.0F, 768 * 15.0F};
  platform.calls.clear();
  form.display_changed();
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"follow_display", "screen_size",
                                                      "window_width", "set_window_left 6810",
                                                      "window_height", "set_window_top 9040"}));

  platform.on_pump = [this](int pump) {
    if (pump == 20 || pump == 200) {
      platform.screen = {1600 * 15.0F, 1200 * 15.0F};
      form.display_changed();
    }
  };
  platform.calls.clear();
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
  EXPECT_EQ(platform.pumps, 8535);
  EXPECT_EQ(platform.calls_named({"follow_display", "screen_size", "set_window_top"}).size(), 0U);
  EXPECT_EQ(platform.left, single_precision_slide(6810, 8535));
}

TEST(TransOut, RunsEveryStepDownToOneTwipForBothWindowWidths) {
  for (const float width : {8535.0F, 3960.0F}) {
    FakePlatform platform;
    Frm_principal form{platform, message_notice::variant()};
    platform.width = width;
    platform.left = 10650;
    const int steps = static_cast<int>(width);
    form.transOUT();
    EXPECT_EQ(platform.pumps, steps);
    EXPECT_EQ(platform.width, 1.0F);
    EXPECT_EQ(platform.calls_named({"set_window_width"}).back(), "set_window_width 1");
    EXPECT_EQ(platform.left, single_precision_slide(10650, steps));
    if (width == 8535.0F) {
      EXPECT_EQ(platform.left, 36436664.0F);  // the exact sum would be 36438030
    }
    // Single precision drifts from the exact sum only once the window is far beyond the screen.
    const double exact = 10650.0 + steps * (steps + 1.0) / 2.0;
    EXPECT_NEAR(platform.left, exact, exact * 1e-4);
  }
}

TEST(TransOut, LeavesTheScreenAfterTheExpectedStep) {
  // Left = screen - width - 15 on a 1280-pixel screen; gone once Left passes the screen edge.
  for (const auto& [width, gone_after] : {std::pair{8535.0F, 131}, std::pair{3960.0F, 89}}) {
    FakePlatform platform;
    Frm_principal form{platform, message_notice::variant()};
    platform.width = width;
    platform.left = 19200.0F - width - 15;
    int first_gone = 0;
    platform.on_pump = [&](int pump) {
      if (first_gone == 0 && platform.left >= 19200.0F) {
        first_gone = pump;
      }
    };
    form.transOUT();
    EXPECT_EQ(first_gone, gone_after);
  }
}

TEST(TransOut, RoundsTheStartWidthHalfToEvenAndRefusesWidthsBeyond16Bits) {
  struct Case {
    float width;
    int steps;
  };
  for (const Case c : {Case{2.5F, 2}, Case{3.5F, 4}, Case{4.4F, 4}, Case{0.5F, 0}, Case{-3.0F, 0},
                       Case{32767.0F, 32767}}) {
    FakePlatform platform;
    Frm_principal form{platform, message_notice::variant()};
    platform.width = c.width;
    form.transOUT();
    EXPECT_EQ(platform.pumps, c.steps) << c.width;
  }
  FakePlatform platform;
  Frm_principal form{platform, message_notice::variant()};
  platform.width = 32767.5F;
  EXPECT_THROW(form.transOUT(), std::overflow_error);
  EXPECT_EQ(platform.pumps, 0);
}

}  // namespace
}  // namespace notice
