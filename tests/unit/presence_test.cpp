#include <gtest/gtest.h>

#include "fake_platform.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"

namespace notice {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

// Where the pointer was when the notice became opaque: elsewhere than the facts' pointer.
constexpr ScreenPoint kOpaqueAt{600, 400};

TEST(PresenceRule, WhatHidesTheNoticeHoldsItAndIdlenessOrThePointerOnlyStopTheCount) {
  const auto period_counts = [](const Presence& facts) {
    return notice::period_counts(facts, kOpaqueAt);
  };
  EXPECT_TRUE(period_counts({}));
  for (const Presence unseen :
       {Presence{.locked = true}, Presence{.disconnected = true}, Presence{.display_off = true},
        Presence{.screen_saver_running = true},
        Presence{.notification_state = NotificationState::not_present},
        Presence{.notification_state = NotificationState::running_full_screen},
        Presence{.notification_state = NotificationState::presentation_mode}}) {
    EXPECT_FALSE(can_be_seen(unseen) || period_counts(unseen));
  }
  for (const Presence away :
       {Presence{.idle_ms = kIdleLimitMs}, Presence{.pointer_on_notice_ms = kPointerRestMs}}) {
    EXPECT_TRUE(can_be_seen(away) && !period_counts(away));
  }
  EXPECT_TRUE(
      period_counts({.idle_ms = kIdleLimitMs - 1, .pointer_on_notice_ms = kPointerRestMs - 1}));
  EXPECT_TRUE(period_counts({.notification_state = NotificationState::busy}));  // a kiosk
  EXPECT_EQ(timed_period_ms(10000, 0), 10000U);
  EXPECT_EQ(timed_period_ms(10000, 25000), 25000U);

  // The lock flag is the other way round on Windows 7; an unknown state says nothing.
  EXPECT_TRUE(locked_by_flags(0, false) == true && locked_by_flags(1, true) == true);
  EXPECT_TRUE(locked_by_flags(1, false) == false && locked_by_flags(0, true) == false);
  EXPECT_EQ(locked_by_flags(-1, false), std::nullopt);
  Presence facts;
  for (const std::uint32_t change : {7U, 4U, 5U}) {  // lock, remote disconnect, logon
    apply_session_change(facts, change);
  }
  EXPECT_TRUE(facts.locked && facts.disconnected);
  apply_session_change(facts, 8);
  apply_session_change(facts, 1);
  apply_display_state(facts, 2);  // dimmed
  EXPECT_TRUE(can_be_seen(facts));
  apply_display_state(facts, 0);
  EXPECT_TRUE(facts.display_off);
}

// A pointer in use; then each fact that tells one merely left there, just past its limit.
TEST(PresenceRule, OnlyAPointerMovedLatelyWithNoOtherInputSinceIsReading) {
  const Presence reading{.idle_ms = 10,
                         .pointer_on_notice_ms = kPointerRestMs,
                         .pointer = {9, 9},
                         .since_pointer_moved_ms = kPointerForgottenMs,
                         .since_pointer_message_ms = 10 + kMoveInputLagMs};
  EXPECT_TRUE(!period_counts(reading, kOpaqueAt) && period_counts(reading, std::nullopt));
  Presence left[4] = {reading, reading, reading, reading};
  left[0].pointer_on_notice_ms -= 1;      // resting too shortly
  left[1].pointer = kOpaqueAt;            // where it was when the notice appeared
  left[2].since_pointer_moved_ms += 1;    // forgotten there
  left[3].since_pointer_message_ms += 1;  // a key or a click since
  for (const Presence& facts : left) {
    EXPECT_TRUE(period_counts(facts, kOpaqueAt));
  }
}

class Attendance : public ::testing::Test {
 protected:
  FakePlatform platform;
  Frm_principal form{platform, message_notice::variant()};

  void start(std::u16string command, Presence facts = {}) {
    platform.command = std::move(command);
    platform.facts = facts;
    form.load();
    form.activate();
  }
  void change(Presence facts) {
    platform.facts = facts;
    form.presence_changed();
  }
};

TEST_F(Attendance, TheFullPeriodStartsAgainEachTimeSomeoneIsBackAndAStaleTickIsNoEnd) {
  start(u"XT");
  for (const Presence facts :
       {Presence{}, Presence{.locked = true}, Presence{.locked = true, .display_off = true},
        Presence{}, Presence{.pointer_on_notice_ms = kPointerRestMs, .pointer = {900, 700}}}) {
    change(facts);
  }
  platform.facts = {.idle_ms = kIdleLimitMs};
  EXPECT_NO_THROW(form.timer_tick(Element::Timer1));
  EXPECT_EQ(
      platform.calls_named({"set_timer_enabled"}),
      (std::vector<std::string>{"set_timer_enabled Timer1 true", "set_timer_enabled Timer1 false",
                                "set_timer_enabled Timer1 true", "set_timer_enabled Timer1 false",
                                "set_timer_enabled Timer1 false"}));
  change({});
  EXPECT_THROW(form.timer_tick(Element::Timer1), ProgramEnded);
}

TEST_F(Attendance, StartedUnseenItIsHeldThenGoesOnAsANewNoticeWithTheLongerPeriodAsked) {
  platform.asked_duration_ms = 25000;
  start(u"XT", {.notification_state = NotificationState::presentation_mode});
  EXPECT_FALSE(platform.alpha > 0 || platform.topmost || !platform.sounds.empty() ||
               platform.shown);
  change({.idle_ms = 500'000});  // idleness is no reason to hold
  EXPECT_TRUE(platform.alpha == 255 && platform.topmost && platform.sounds.size() == 1 &&
              platform.shown);
  EXPECT_EQ(
      platform.calls_named({"set_timer_enabled", "set_timer_period"}),
      (std::vector<std::string>{"set_timer_enabled Timer1 true", "set_timer_period Timer1 25000",
                                "set_timer_enabled Timer1 false"}));
  // An hour in all ends it as its period would.
  platform.now_ms = kLongestWaitMs;
  EXPECT_THROW(form.presence_changed(), ProgramEnded);
  EXPECT_EQ(platform.width, 1.0F);
}

TEST_F(Attendance, AnUntimedNoticeIsWatchedOnlyWhileHeldAndNeverEndsByItself) {
  start(u"X", {.locked = true});
  EXPECT_TRUE(platform.watching);
  change({});
  EXPECT_TRUE(platform.alpha == 255 && !platform.watching);
  platform.now_ms = 10 * kLongestWaitMs;
  EXPECT_NO_THROW(form.presence_changed());
}

}  // namespace
}  // namespace notice
