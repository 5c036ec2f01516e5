#pragma once

#include <cstdint>

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
};

// Longer without input and nobody counts as being at the PC.
inline constexpr std::uint32_t kIdleLimitMs = 60'000;
// The pointer rests on the notice once it has stayed there this long: one that crosses it, or
// leaves it as it closes another notice, is no reader.
inline constexpr std::uint32_t kPointerRestMs = 500;
// A timed notice that has waited this long in all ends as if its period had run out.
inline constexpr std::uint64_t kLongestWaitMs = 60ULL * 60 * 1000;

// Unlocked, connected, display on, no screen saver, nothing the shell keeps notifications from.
bool can_be_seen(const Presence& presence) noexcept;
// Someone is there (recent input, or the pointer resting on the notice), and is not pointing at
// it while reading it.
bool period_counts(const Presence& presence) noexcept;

// A timed notice's period: never shorter than the one the person asked the system to give
// notifications (0 when they did not say).
std::uint32_t timed_period_ms(std::uint32_t own_ms, std::uint32_t asked_ms) noexcept;

// The session's lock state at the start, from the session flags the system gives. Windows 7 and
// Server 2008 R2 report the lock flag the other way round; an unknown state counts as unlocked.
bool locked_at_start(std::int32_t session_flags, bool lock_flag_inverted) noexcept;

// A session notification (its code as the system numbers them) applied to the facts.
void apply_session_change(Presence& presence, std::uint32_t change) noexcept;

// A display power setting's value: 0 off, 1 on, 2 dimmed (which counts as on).
void apply_display_state(Presence& presence, std::uint32_t state) noexcept;

}  // namespace notice
