#include "presence.hpp"

#include <algorithm>

namespace notice {
namespace {

// The session notifications' codes.
constexpr std::uint32_t kConsoleConnect = 0x1;
constexpr std::uint32_t kConsoleDisconnect = 0x2;
constexpr std::uint32_t kRemoteConnect = 0x3;
constexpr std::uint32_t kRemoteDisconnect = 0x4;
constexpr std::uint32_t kSessionLock = 0x7;
constexpr std::uint32_t kSessionUnlock = 0x8;

// The session flags' values.
constexpr std::int32_t kFlagLocked = 0;
constexpr std::int32_t kFlagUnlocked = 1;

constexpr std::uint32_t kDisplayOff = 0;

}  // namespace

bool can_be_seen(const Presence& presence) noexcept {
  switch (presence.notification_state) {
    case NotificationState::not_present:
    case NotificationState::running_full_screen:
    case NotificationState::presentation_mode:
      return false;
    default:
      break;
  }
  return !presence.locked && !presence.disconnected && !presence.display_off &&
         !presence.screen_saver_running;
}

bool pointer_reading(const Presence& presence, std::optional<ScreenPoint> when_opaque) noexcept {
  const bool other_input = std::uint64_t{presence.since_pointer_message_ms} >
                           std::uint64_t{presence.idle_ms} + kMoveInputLagMs;
  return presence.pointer_on_notice_ms >= kPointerRestMs && when_opaque &&
         presence.pointer != *when_opaque &&
         presence.since_pointer_moved_ms <= kPointerForgottenMs && !other_input;
}

bool period_counts(const Presence& presence, std::optional<ScreenPoint> when_opaque) noexcept {
  return can_be_seen(presence) && presence.idle_ms < kIdleLimitMs &&
         !pointer_reading(presence, when_opaque);
}

std::uint32_t timed_period_ms(std::uint32_t own_ms, std::uint32_t asked_ms) noexcept {
  return std::max(own_ms, asked_ms);
}

std::optional<bool> locked_by_flags(std::int32_t session_flags, bool lock_flag_inverted) noexcept {
  if (session_flags == kFlagLocked) {
    return !lock_flag_inverted;
  }
  if (session_flags == kFlagUnlocked) {
    return lock_flag_inverted;
  }
  return std::nullopt;
}

void apply_session_change(Presence& presence, std::uint32_t change) noexcept {
  switch (change) {
    case kConsoleConnect:
    case kRemoteConnect:
      presence.disconnected = false;
      break;
    case kConsoleDisconnect:
    case kRemoteDisconnect:
      presence.disconnected = true;
      break;
    case kSessionLock:
      presence.locked = true;
      break;
    case kSessionUnlock:
      presence.locked = false;
      break;
    default:
      break;  // logon, logoff, remote control: nothing a notice waits for
  }
}

void apply_display_state(Presence& presence, std::uint32_t state) noexcept {
  presence.display_off = state == kDisplayOff;
}

}  // namespace notice
