#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "accessible_notice.hpp"
#include "layout.hpp"
#include "painting.hpp"
#include "pictures.hpp"
#include "pixel_geometry.hpp"
#include "platform.hpp"
#include "presence_watch.hpp"
#include "sound.hpp"

namespace notice::win32 {

// The notice window and the platform operations on it. It only translates: window messages
// become events for the handler, platform operations become system calls.
class NoticeWindow final : public Platform {
 public:
  // Creates the window hidden, with its fonts and decoded pictures. Needs COM on this thread.
  explicit NoticeWindow(const Variant& variant);
  ~NoticeWindow() override;
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;

  // Events go nowhere until a handler is set.
  void set_handler(EventHandler* handler) noexcept { handler_ = handler; }
  // Shows the window without taking the keyboard focus from the user's application.
  void show();
  HWND hwnd() const noexcept { return hwnd_; }

  std::u16string command_text() override;
  std::u16string program_directory() override;
  std::u16string current_time() override;
  std::u16string current_date() override;
  ScreenSize screen_size() override;

  float window_left() override { return left_; }
  float window_top() override { return top_; }
  float window_width() override { return width_; }
  float window_height() override { return height_; }
  void set_window_left(float twips) override;
  void set_window_top(float twips) override;
  void set_window_width(float twips) override;
  void follow_display() override;
  bool motion_wanted() override { return motion_wanted_; }

  WindowHandle window_handle() override;

  void set_label_text(Element label, std::u16string_view text) override;
  void set_image_visible(Element image, bool visible) override;
  void set_timer_enabled(Element timer, bool enabled) override;
  void set_timer_period(Element timer, std::uint32_t ms) override;

  Presence presence() override { return presence_.read(); }
  void watch_presence(bool on) override;
  std::uint64_t tick_count_ms() override { return GetTickCount64(); }
  std::uint32_t message_duration_ms() override;

  std::int32_t get_window_long(WindowHandle window, int index) override;
  void set_window_long(WindowHandle window, int index, std::int32_t value) override;
  void set_layered_window_attributes(WindowHandle window, Colour key, std::uint8_t alpha,
                                     std::uint32_t flags) override;
  void set_window_pos(WindowHandle window, WindowHandle insert_after, int x, int y, int width,
                      int height, std::uint32_t flags) override;
  void play_sound(std::u16string_view path, std::uint32_t flags) override;

  void pump_messages() override;
  [[noreturn]] void end_program() override;

 private:
  static LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                           LPARAM lparam) noexcept;
  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  // WM_CLOSE and WM_ENDSESSION: the way a click on the close box ends the notice.
  [[noreturn]] void end_as_closed();
  void on_paint();
  const Picture* information_to_paint();
  // The contrast theme and the text size as the system now has them; the notice repaints, or
  // follows the new scale as it follows a display's.
  void follow_appearance();
  // The display's scale times the text size, as far as the notice in its corner fits the screen.
  PixelScale wanted_scale() const;
  // Fonts and pictures for this scale; the window's pixels follow at its next move.
  void use_scale(const PixelScale& scale);
  void apply_geometry();
  void invalidate(const TwipRect& rect);

  const WindowLayout& layout_;
  EventHandler* handler_ = nullptr;
  HWND hwnd_ = nullptr;

  PixelScale scale_;
  // The display's scale as the system last told it, taken up when the logic follows the display.
  int display_dpi_;
  // Settings > Accessibility > Text size, in percent, as last read.
  int text_percent_;
  // The system's colours while a contrast theme is on, painted instead of the layout's.
  std::optional<SystemColours> contrast_;
  std::vector<Label> labels_;
  Picture background_;
  std::optional<Picture> information_;
  bool information_visible_ = true;

  float left_ = 0.0F;
  float top_ = 0.0F;
  float width_;
  float height_;
  PixelRect shown_{};
  int desktop_right_;
  // Read at the start and on every settings change, as the fade and the slide ask at each step.
  bool motion_wanted_;

  std::optional<Element> pressed_;
  UINT timer_period_ms_;
  bool timer_running_ = false;
  PresenceWatch presence_;
  Sound sound_;
  // Last, so that readers are cut off from the labels before they go.
  AccessibleNotice accessible_{labels_, scale_};
};

}  // namespace notice::win32
