#pragma once

#include <cstdint>
#include <optional>

// Whether someone can see a notice and is there to read it, and what a timed notice does about
// it. The platform reports what the system says; the meaning of it is decided here.
namespace notice {

// The shell's answer to whether a notification may be shown now, numbered as the system numbers
// it; unknown where the system gives none.
enum class NotificationState : std::uint8_t {
  unknown = 0,
  not_present = 1,          // a full-screen application or the lock screen, or none signed in
  busy = 2,                 // some full-screen window: a kiosk is full screen all day
  running_full_screen = 3,  // a full-screen game or video
  presentation_mode = 4,    // the person said they are presenting
  accepts_notifications = 5,
  quiet_time = 6,
  app = 7,
};

// A place on the screen, in the system's pixels.
struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// What the platform knows now. Each fact starts as "someone can see it": an unknown state counts
// as a session that is unlocked, connected, with its display on.
struct Presence {
  bool locked = false;
  bool disconnected = false;
  bool display_off = false;
  bool screen_saver_running = false;
  NotificationState notification_state = NotificationState::unknown;
  // Since the last keyboard or mouse input in this session.
  std::uint32_t idle_ms = 0;
  // How long the pointer has stayed on the notice; 0 while it is elsewhere.
  std::uint32_t pointer_on_notice_ms = 0;
  ScreenPoint pointer{};
  // Since the pointer last changed its place.
  std::uint32_t since_pointer_moved_ms = 0;
  // Since the notice handled the last mouse-move message it received. A window that appears
  // under a still pointer receives one too.
  std::uint32_t since_pointer_message_ms = 0;
};

// Longer without input and nobody counts as being at the PC.
inline constexpr std::uint32_t kIdleLimitMs = 60'000;
// The pointer rests on the notice once it has stayed there this long: one that crosses it, or
// leaves it as it closes another notice, is no reader.
inline constexpr std::uint32_t kPointerRestMs = 500;
// Longer without moving, and a pointer on the notice was left there and forgotten.
inline constexpr std::uint32_t kPointerForgottenMs = 30'000;
// Input this much later than the notice's last mouse-move message is input of another kind (a
// key, a click, a wheel): a move's own input comes before its message is handled.
inline constexpr std::uint32_t kMoveInputLagMs = 50;
// A timed notice that has waited this long in all ends as if its period had run out.
inline constexpr std::uint64_t kLongestWaitMs = 60ULL * 60 * 1000;

// Unlocked, connected, display on, no screen saver, nothing the shell keeps notifications from.
bool can_be_seen(const Presence& presence) noexcept;
// A pointer in use rests on the notice: it stays there, has moved since the notice became
// opaque (where it was then is `when_opaque`; none before), moved lately, and nothing but its
// moves over the notice has come as input since. One merely left there reads nothing.
bool pointer_reading(const Presence& presence, std::optional<ScreenPoint> when_opaque) noexcept;
// Someone is there (recent input, or the pointer in use on the notice), and is not pointing at
// it while reading it.
bool period_counts(const Presence& presence, std::optional<ScreenPoint> when_opaque) noexcept;

// A timed notice's period: never shorter than the one the person asked the system to give
// notifications (0 when they did not say).
std::uint32_t timed_period_ms(std::uint32_t own_ms, std::uint32_t asked_ms) noexcept;

// The session's lock state from the session flags the system gives; none where they say it is
// unknown. Windows 7 and Server 2008 R2 report the lock flag the other way round.
std::optional<bool> locked_by_flags(std::int32_t session_flags, bool lock_flag_inverted) noexcept;

// A session notification (its code as the system numbers them) applied to the facts.
void apply_session_change(Presence& presence, std::uint32_t change) noexcept;

// A display power setting's value: 0 off, 1 on, 2 dimmed (which counts as on).
void apply_display_state(Presence& presence, std::uint32_t state) noexcept;

}  // namespace notice
