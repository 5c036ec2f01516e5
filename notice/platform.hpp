#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "layout.hpp"
#include "presence.hpp"

namespace notice {

// A window handle as the system's 32-bit handle value.
using WindowHandle = std::int32_t;

// System values the logic passes through unchanged.
inline constexpr int kGwlExStyle = -20;
inline constexpr std::int32_t kWsExLayered = 0x00080000;
inline constexpr std::uint32_t kLwaAlpha = 0x2;
inline constexpr WindowHandle kHwndTopmost = -1;
inline constexpr std::uint32_t kSwpNoSize = 0x0001;
inline constexpr std::uint32_t kSwpNoMove = 0x0002;
inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;
inline constexpr std::uint32_t kSwpShowWindow = 0x0040;
inline constexpr std::uint32_t kSwpHideWindow = 0x0080;
inline constexpr std::uint32_t kSndAsync = 0x0001;

struct ScreenSize {
  float width;   // twips
  float height;  // twips
};

// What the notice logic needs from the desktop. Results of the system calls are not examined, so
// they return nothing. A failure is thrown as an exception derived from std::exception.
class Platform {
 public:
  virtual ~Platform() = default;

  // The whole argument text after the program path: not split at blanks, quotes kept.
  virtual std::u16string command_text() = 0;
  // The executable's directory, without a trailing separator except at a drive root.
  virtual std::u16string program_directory() = 0;
  // Time of day and short date in the user's regional format.
  virtual std::u16string current_time() = 0;
  virtual std::u16string current_date() = 0;
  virtual ScreenSize screen_size() = 0;

  // Window geometry in twips, single precision. A write takes effect at once; Left may go far
  // beyond the screen edge and reads back as written.
  virtual float window_left() = 0;
  virtual float window_top() = 0;
  virtual float window_width() = 0;
  virtual float window_height() = 0;
  virtual void set_window_left(float twips) = 0;
  virtual void set_window_top(float twips) = 0;
  virtual void set_window_width(float twips) = 0;
  // Takes up the display as it now is for drawing; the window keeps its geometry in twips until
  // the logic writes it again.
  virtual void follow_display() = 0;
  // False when the person has asked the system for no animations; may change at any time.
  virtual bool motion_wanted() = 0;

  virtual WindowHandle window_handle() = 0;

  virtual void set_label_text(Element label, std::u16string_view text) = 0;
  virtual void set_image_visible(Element image, bool visible) = 0;
  // Enabling starts the period afresh.
  virtual void set_timer_enabled(Element timer, bool enabled) = 0;
  // The period from the next enabling on; a running timer starts the new period afresh.
  virtual void set_timer_period(Element timer, std::uint32_t ms) = 0;

  // Whether someone can see the notice and is there, as the system says now.
  virtual Presence presence() = 0;
  // While on, presence_changed is raised once a second besides every notification of a change.
  virtual void watch_presence(bool on) = 0;
  // Milliseconds from a fixed moment, never going back.
  virtual std::uint64_t tick_count_ms() = 0;
  // How long the person asked the system to show notifications; 0 when they did not say.
  virtual std::uint32_t message_duration_ms() = 0;

  virtual std::int32_t get_window_long(WindowHandle window, int index) = 0;
  virtual void set_window_long(WindowHandle window, int index, std::int32_t value) = 0;
  virtual void set_layered_window_attributes(WindowHandle window, Colour key, std::uint8_t alpha,
                                             std::uint32_t flags) = 0;
  virtual void set_window_pos(WindowHandle window, WindowHandle insert_after, int x, int y,
                              int width, int height, std::uint32_t flags) = 0;
  // Returns at once when asked to play asynchronously; a missing file plays the default sound.
  virtual void play_sound(std::u16string_view path, std::uint32_t flags) = 0;

  // Handles every pending window message, which may run event handlers, and returns.
  virtual void pump_messages() = 0;
  // Stops the program at once; no further event is handled.
  [[noreturn]] virtual void end_program() = 0;
};

// The events the platform raises, in the order initialise, load, activate; then clicks, ticks and
// changes of the display (its size or its scale) and of whether someone can see the notice.
class EventHandler {
 public:
  virtual ~EventHandler() = default;
  virtual void initialise() = 0;
  virtual void load() = 0;
  virtual void activate() = 0;
  virtual void click(Element element) = 0;
  virtual void double_click(Element element) = 0;
  virtual void timer_tick(Element timer) = 0;
  virtual void display_changed() = 0;
  virtual void presence_changed() = 0;
};

}  // namespace notice
