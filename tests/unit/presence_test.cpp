#include <gtest/gtest.h>

#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"

namespace notice {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

TEST(PresenceRule, EachFactThatHidesTheNoticeStopsTheCountAndOnlyIdlenessOrThePointerDoNotHold) {
  EXPECT_TRUE(can_be_seen({}) && period_counts({}));
  for (const Presence unseen :
       {Presence{.locked = true}, Presence{.disconnected = true}, Presence{.display_off = true},
        Presence{.screen_saver_running = true},
        Presence{.notification_state = NotificationState::not_present},
        Presence{.notification_state = NotificationState::running_full_screen},
        Presence{.notification_state = NotificationState::presentation_mode}}) {
    EXPECT_FALSE(can_be_seen(unseen) || period_counts(unseen));
  }
  for (const Presence away :
       {Presence{.idle_ms = kIdleLimitMs}, Presence{.pointer_on_notice = true}}) {
    EXPECT_TRUE(can_be_seen(away));
    EXPECT_FALSE(period_counts(away));
  }
  EXPECT_TRUE(period_counts({.idle_ms = kIdleLimitMs - 1}));
  // A kiosk is full screen all day.
  EXPECT_TRUE(period_counts({.notification_state = NotificationState::busy}));

  EXPECT_EQ(timed_period_ms(10000, 0), 10000U);
  EXPECT_EQ(timed_period_ms(10000, 25000), 25000U);
  EXPECT_EQ(timed_period_ms(30000, 25000), 30000U);
}

TEST(PresenceRule, SystemStatesReadTheWayTheSystemMeansThem) {
  EXPECT_TRUE(locked_at_start(0, false));
  EXPECT_FALSE(locked_at_start(1, false));
  EXPECT_FALSE(locked_at_start(0, true));  // Windows 7: the flag the other way round
  EXPECT_TRUE(locked_at_start(1, true));
  EXPECT_FALSE(locked_at_start(-1, false) || locked_at_start(-1, true));

  Presence facts;
  apply_session_change(facts, 7);
  apply_session_change(facts, 4);
  EXPECT_TRUE(facts.locked && facts.disconnected);
  apply_session_change(facts, 5);  // logon changes nothing
  apply_session_change(facts, 8);
  apply_session_change(facts, 1);
  EXPECT_FALSE(facts.locked || facts.disconnected);
  apply_display_state(facts, 0);
  EXPECT_TRUE(facts.display_off);
  apply_display_state(facts, 2);  // dimmed
  EXPECT_FALSE(facts.display_off);
}

class Attendance : public ::testing::Test {
 protected:
  FakePlatform platform;
  Frm_principal form{platform, message_notice::variant()};

  void start(std::u16string command) {
    platform.command = std::move(command);
    form.initialise();
    form.load();
    form.activate();
  }
  void change(Presence facts) {
    platform.facts = facts;
    form.presence_changed();
  }
  std::vector<std::string> timer_calls() const {
    return platform.calls_named({"set_timer_enabled", "set_timer_period"});
  }
};

TEST_F(Attendance, TheFullPeriodStartsAgainEachTimeSomeoneIsBackAndAStaleTickIsNoEnd) {
  start(u"XT");
  change({});  // a second's look while someone is there touches nothing
  change({.locked = true});
  change({.locked = true, .display_off = true});
  change({.display_off = true});
  change({});
  change({.pointer_on_notice = true});
  platform.facts = {.idle_ms = kIdleLimitMs};
  EXPECT_NO_THROW(form.timer_tick(Element::Timer1));
  EXPECT_EQ(timer_calls(), (std::vector<std::string>{
                               "set_timer_enabled Timer1 true", "set_timer_enabled Timer1 false",
                               "set_timer_enabled Timer1 true", "set_timer_enabled Timer1 false",
                               "set_timer_enabled Timer1 false"}));
  EXPECT_TRUE(platform.watching);
  change({});
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
}

TEST_F(Attendance, StartedUnseenItIsHeldThenGoesOnAsANewNotice) {
  platform.facts = {.locked = true};
  start(u"X");
  change({.locked = true, .idle_ms = 500'000});
  EXPECT_FALSE(platform.alpha > 0 || platform.topmost || !platform.sounds.empty());
  change({.idle_ms = 500'000});  // idle is no reason to hold
  EXPECT_EQ(platform.alpha, 255);
  EXPECT_TRUE(platform.topmost);
  EXPECT_EQ(platform.sounds.size(), 1U);
  EXPECT_FALSE(platform.watching);  // an untimed notice that waits is never woken

  FakePlatform timed_platform;
  timed_platform.facts = {.notification_state = NotificationState::presentation_mode};
  timed_platform.asked_duration_ms = 25000;
  Frm_principal timed{timed_platform, message_notice::variant()};
  timed_platform.command = u"XT";
  timed.load();
  timed_platform.facts = {};
  timed.presence_changed();
  EXPECT_EQ(timed_platform.calls_named({"set_timer_enabled", "set_timer_period"}),
            (std::vector<std::string>{
                "set_timer_enabled Timer1 true", "set_timer_period Timer1 25000",
                "set_timer_enabled Timer1 false", "set_timer_enabled Timer1 true"}));
  EXPECT_EQ(timed_platform.alpha, 255);
}

TEST_F(Attendance, ATimedNoticeEndsAfterAnHourInAllAndAnUntimedOneWaits) {
  start(u"XT");
  platform.now_ms = kLongestWaitMs - 1;
  change({.locked = true});
  platform.now_ms = kLongestWaitMs;
  EXPECT_THROW(form.presence_changed(), ProgramEnded);
  EXPECT_EQ(platform.width, 1.0F);

  FakePlatform untimed_platform;
  Frm_principal untimed{untimed_platform, message_notice::variant()};
  untimed_platform.command = u"X";
  untimed.load();
  untimed_platform.now_ms = 10 * kLongestWaitMs;
  EXPECT_NO_THROW(untimed.presence_changed());
  EXPECT_FALSE(untimed_platform.watching);
}

}  // namespace
}  // namespace notice
